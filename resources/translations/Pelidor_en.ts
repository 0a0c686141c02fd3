<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="zh_CN">
<context>
    <name>Pelidor</name>
    <message>
        <source>等待处理页数：</source>
        <translation>Pages waiting: </translation>
    </message>
    <message>
        <source>拍摄</source>
        <translation>Capture</translation>
    </message>
    <message>
        <source>向上</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>文件夹</source>
        <translation>Folders</translation>
    </message>
    <message>
        <source>查看</source>
        <translation>View</translation>
    </message>
    <message>
        <source>TAVREL</source>
        <translation>TAVREL</translation>
    </message>
    <message>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>编辑(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>新建(&amp;N)</source>
        <translation>&amp;New</translation>
    </message>
    <message>
        <source>拍摄(&amp;S)</source>
        <translation>&amp;Capture</translation>
    </message>
    <message>
        <source>退出(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>剪切(&amp;T)</source>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>复制(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>粘贴(&amp;P)</source>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>删除(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>全选(&amp;A)</source>
        <translation>Select &amp;All</translation>
    </message>
    <message>
        <source>反选(&amp;B)</source>
        <translation>Invert Selection (&amp;B)</translation>
    </message>
    <message>
        <source>关于 Tavrel(&amp;A)...</source>
        <translation>&amp;About Tavrel...</translation>
    </message>
    <message>
        <source>图标(&amp;N)</source>
        <translation>Ico&amp;ns</translation>
    </message>
    <message>
        <source>详细信息(&amp;D)</source>
        <translation>&amp;Details</translation>
    </message>
    <message>
        <source>关于 Tavrel</source>
        <translation>About Tavrel</translation>
    </message>
    <message>
        <source>Tavrel 1.0 版</source>
        <translation>Tavrel version 1.0</translation>
    </message>
    <message>
        <source>胶片与照片扫描仪的图片管理程序。
扫描的每张图片都保存在所显示的文件夹中。</source>
        <translation>The picture manager of the film and photo scanner.
Every scanned picture is stored in the folder shown.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>就绪</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>网页</source>
        <translation>Web page</translation>
    </message>
</context>
<context>
    <name>tavrel::BrowserStrings</name>
    <message>
        <source>文件名</source>
        <comment>61461</comment>
        <translation>Name</translation>
    </message>
    <message>
        <source>文件路径</source>
        <comment>61463</comment>
        <translation>Path</translation>
    </message>
    <message>
        <source>文件大小</source>
        <comment>61464</comment>
        <translation>Size</translation>
    </message>
    <message>
        <source>修改日期</source>
        <comment>61465</comment>
        <translation>Modified</translation>
    </message>
    <message>
        <source>新建文件夹</source>
        <comment>61485</comment>
        <translation>New Folder</translation>
    </message>
    <message>
        <source>剪切(&amp;X)</source>
        <comment>32966</comment>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>复制(&amp;C)</source>
        <comment>32967</comment>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>粘贴(&amp;V)</source>
        <comment>32968</comment>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>删除(&amp;D)</source>
        <comment>32969</comment>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>重命名(&amp;M)</source>
        <comment>32970</comment>
        <translation>Rena&amp;me</translation>
    </message>
    <message>
        <source>新建(&amp;N)</source>
        <comment>32971</comment>
        <translation>&amp;New Folder</translation>
    </message>
    <message>
        <source>属性(&amp;R)</source>
        <comment>32972</comment>
        <translation>P&amp;roperties</translation>
    </message>
    <message>
        <source>刷新(&amp;F)</source>
        <comment>32984</comment>
        <translation>Re&amp;fresh</translation>
    </message>
    <message>
        <source>图标(&amp;N)</source>
        <comment>32936</comment>
        <translation>Ico&amp;ns</translation>
    </message>
    <message>
        <source>详细信息(&amp;D)</source>
        <comment>32937</comment>
        <translation>&amp;Details</translation>
    </message>
    <message>
        <source>刷新(&amp;E)</source>
        <comment>32933</comment>
        <translation>R&amp;efresh</translation>
    </message>
    <message>
        <source>粘贴(&amp;V)</source>
        <comment>32934</comment>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>属性(&amp;R)</source>
        <comment>32935</comment>
        <translation>P&amp;roperties</translation>
    </message>
    <message>
        <source>打开(&amp;O)</source>
        <comment>32951</comment>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <source>剪切(&amp;T)</source>
        <comment>32952</comment>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>复制(&amp;C)</source>
        <comment>32953</comment>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>删除(&amp;D)</source>
        <comment>32954</comment>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>重命名(&amp;M)</source>
        <comment>32955</comment>
        <translation>Rena&amp;me</translation>
    </message>
    <message>
        <source>属性(&amp;R)</source>
        <comment>32956</comment>
        <translation>P&amp;roperties</translation>
    </message>
    <message>
        <source>桌面</source>
        <comment>62100</comment>
        <translation>Desktop</translation>
    </message>
    <message>
        <source>我的电脑</source>
        <comment>62101</comment>
        <translation>My Computer</translation>
    </message>
    <message>
        <source>我的文档</source>
        <comment>62102</comment>
        <translation>My Documents</translation>
    </message>
    <message>
        <source>主文件夹</source>
        <comment>62103</comment>
        <translation>Home</translation>
    </message>
    <message>
        <source>网上邻居</source>
        <comment>62104</comment>
        <translation>Network</translation>
    </message>
    <message>
        <source>回收站</source>
        <comment>62105</comment>
        <translation>Recycle Bin</translation>
    </message>
    <message>
        <source>控制面板</source>
        <comment>62106</comment>
        <translation>Control Panel</translation>
    </message>
    <message>
        <source>文件系统</source>
        <comment>62107</comment>
        <translation>File System</translation>
    </message>
    <message>
        <source>正在读取…</source>
        <comment>62108</comment>
        <translation>Loading…</translation>
    </message>
    <message>
        <source>确实要把“%1”移到回收站吗？</source>
        <comment>62120</comment>
        <translation>Move “%1” to the trash?</translation>
    </message>
    <message>
        <source>确实要把这 %1 项移到回收站吗？</source>
        <comment>62121</comment>
        <translation>Move these %1 items to the trash?</translation>
    </message>
    <message>
        <source>删除</source>
        <comment>62122</comment>
        <translation>Delete</translation>
    </message>
    <message>
        <source>无法移到回收站：%1</source>
        <comment>62123</comment>
        <translation>Cannot move to the trash: %1</translation>
    </message>
    <message>
        <source>无法重命名：已有名为“%1”的文件或文件夹。</source>
        <comment>62124</comment>
        <translation>Cannot rename: a file or folder named “%1” already exists.</translation>
    </message>
    <message>
        <source>无法重命名“%1”：%2</source>
        <comment>62125</comment>
        <translation>Cannot rename “%1”: %2</translation>
    </message>
    <message>
        <source>目标文件夹中已有名为“%1”的项目。</source>
        <comment>62126</comment>
        <translation>The destination already has an item named “%1”.</translation>
    </message>
    <message>
        <source>替换(&amp;R)</source>
        <comment>62127</comment>
        <translation>&amp;Replace</translation>
    </message>
    <message>
        <source>保留两者(&amp;K)</source>
        <comment>62128</comment>
        <translation>&amp;Keep both</translation>
    </message>
    <message>
        <source>跳过(&amp;S)</source>
        <comment>62129</comment>
        <translation>&amp;Skip</translation>
    </message>
    <message>
        <source>取消</source>
        <comment>62130</comment>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>对其余冲突也这样处理(&amp;A)</source>
        <comment>62131</comment>
        <translation>Do this for &amp;all remaining conflicts</translation>
    </message>
    <message>
        <source>正在复制“%1”…</source>
        <comment>62132</comment>
        <translation>Copying “%1”…</translation>
    </message>
    <message>
        <source>正在移动“%1”…</source>
        <comment>62133</comment>
        <translation>Moving “%1”…</translation>
    </message>
    <message>
        <source>正在移到回收站“%1”…</source>
        <comment>62134</comment>
        <translation>Moving “%1” to the trash…</translation>
    </message>
    <message>
        <source>复制失败：%1</source>
        <comment>62135</comment>
        <translation>Copying failed: %1</translation>
    </message>
    <message>
        <source>移动失败：%1</source>
        <comment>62136</comment>
        <translation>Moving failed: %1</translation>
    </message>
    <message>
        <source>不能把文件夹“%1”放进它自己里面。</source>
        <comment>62137</comment>
        <translation>The folder “%1” cannot be put inside itself.</translation>
    </message>
    <message>
        <source>无法新建文件夹：%1</source>
        <comment>62138</comment>
        <translation>Cannot create the folder: %1</translation>
    </message>
    <message>
        <source>无法打开“%1”。</source>
        <comment>62139</comment>
        <translation>Cannot open “%1”.</translation>
    </message>
    <message>
        <source>名称冲突</source>
        <comment>62140</comment>
        <translation>Name already taken</translation>
    </message>
    <message>
        <source>文件名不能为空，也不能包含“/”。</source>
        <comment>62141</comment>
        <translation>A name cannot be empty or contain “/”.</translation>
    </message>
    <message>
        <source>%1 属性</source>
        <comment>62150</comment>
        <translation>%1 Properties</translation>
    </message>
    <message>
        <source>名称：</source>
        <comment>62151</comment>
        <translation>Name:</translation>
    </message>
    <message>
        <source>位置：</source>
        <comment>62152</comment>
        <translation>Location:</translation>
    </message>
    <message>
        <source>大小：</source>
        <comment>62153</comment>
        <translation>Size:</translation>
    </message>
    <message>
        <source>修改时间：</source>
        <comment>62154</comment>
        <translation>Modified:</translation>
    </message>
    <message>
        <source>访问时间：</source>
        <comment>62155</comment>
        <translation>Accessed:</translation>
    </message>
    <message>
        <source>创建时间：</source>
        <comment>62156</comment>
        <translation>Created:</translation>
    </message>
    <message>
        <source>尺寸：</source>
        <comment>62157</comment>
        <translation>Dimensions:</translation>
    </message>
    <message>
        <source>分辨率：</source>
        <comment>62158</comment>
        <translation>Resolution:</translation>
    </message>
    <message>
        <source>类型：</source>
        <comment>62159</comment>
        <translation>Type:</translation>
    </message>
    <message>
        <source>包含：</source>
        <comment>62160</comment>
        <translation>Contains:</translation>
    </message>
    <message>
        <source>文件夹</source>
        <comment>62161</comment>
        <translation>Folder</translation>
    </message>
    <message>
        <source>图片</source>
        <comment>62162</comment>
        <translation>Picture</translation>
    </message>
    <message>
        <source>文件</source>
        <comment>62163</comment>
        <translation>File</translation>
    </message>
    <message>
        <source>%1（%2 字节）</source>
        <comment>62164</comment>
        <translation>%1 (%2 bytes)</translation>
    </message>
    <message>
        <source>%1 × %2 像素</source>
        <comment>62165</comment>
        <translation>%1 × %2 pixels</translation>
    </message>
    <message>
        <source>%1 × %2 dpi</source>
        <comment>62166</comment>
        <translation>%1 × %2 dpi</translation>
    </message>
    <message>
        <source>%1 个文件，%2 个文件夹</source>
        <comment>62167</comment>
        <translation>%1 files, %2 folders</translation>
    </message>
    <message>
        <source>正在计算…</source>
        <comment>62168</comment>
        <translation>Counting…</translation>
    </message>
    <message>
        <source>关闭</source>
        <comment>62169</comment>
        <translation>Close</translation>
    </message>
    <message>
        <source>找不到页面“%1”。</source>
        <comment>62180</comment>
        <translation>The page “%1” cannot be found.</translation>
    </message>
</context>
</TS>
