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
</TS>
