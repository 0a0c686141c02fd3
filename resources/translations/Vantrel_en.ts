<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="zh_CN">
<context>
    <name>Vantrel</name>
    <message>
        <source>关于 Vantrel</source>
        <translation>About Vantrel</translation>
    </message>
    <message>
        <source>关于 Vantrel(&amp;A)...</source>
        <translation>&amp;About Vantrel...</translation>
    </message>
    <message>
        <source>采集负片图像，请稍侯....</source>
        <translation>Capturing the negative film image, please wait...</translation>
    </message>
    <message>
        <source>采集正片图像，请稍侯....</source>
        <translation>Capturing the positive film image, please wait...</translation>
    </message>
    <message>
        <source>计算中...</source>
        <translation>Computing...</translation>
    </message>
    <message>
        <source>保存...</source>
        <translation>Saving...</translation>
    </message>
    <message>
        <source>采集黑白图像,请稍侯...</source>
        <translation>Capturing the black-and-white image, please wait...</translation>
    </message>
    <message>
        <source>设备不存在，请先连接好设备后，再进行扫描仪。</source>
        <translation>The scanner is not connected. Please connect the scanner first, then start scanning.</translation>
    </message>
    <message>
        <source>镜头校正</source>
        <translation>Lens calibration</translation>
    </message>
    <message>
        <source>照片预览</source>
        <translation>Picture preview</translation>
    </message>
    <message>
        <source>拍摄</source>
        <translation>Capture</translation>
    </message>
    <message>
        <source>正片</source>
        <translation>Positive</translation>
    </message>
    <message>
        <source>负片</source>
        <translation>Negative</translation>
    </message>
    <message>
        <source>黑白</source>
        <translation>B&amp;&amp;W</translation>
    </message>
    <message>
        <source>亮度</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>对比度</source>
        <translation>Contrast</translation>
    </message>
    <message>
        <source>饱和度</source>
        <translation>Saturation</translation>
    </message>
    <message>
        <source>自然</source>
        <translation>Natural</translation>
    </message>
    <message>
        <source>艳丽</source>
        <translation>Vivid</translation>
    </message>
    <message>
        <source>怀旧</source>
        <translation>Nostalgic</translation>
    </message>
    <message>
        <source>自定</source>
        <translation>Custom</translation>
    </message>
    <message>
        <source>消除噪点</source>
        <translation>Remove noise</translation>
    </message>
    <message>
        <source>图片格式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>色深</source>
        <translation>Bit depth</translation>
    </message>
    <message>
        <source>调整</source>
        <translation>Adjust</translation>
    </message>
    <message>
        <source>从设备中还原</source>
        <translation>Restore from device</translation>
    </message>
    <message>
        <source>从文件中还原</source>
        <translation>Restore from file</translation>
    </message>
    <message>
        <source>开始校正</source>
        <translation>Start calibration</translation>
    </message>
    <message>
        <source>底片类型</source>
        <translation>Film type</translation>
    </message>
    <message>
        <source>照片尺寸</source>
        <translation>Photo size</translation>
    </message>
    <message>
        <source>分辨率</source>
        <translation>Resolution</translation>
    </message>
    <message>
        <source>青</source>
        <translation>Cyan</translation>
    </message>
    <message>
        <source>红</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>洋红</source>
        <translation>Magenta</translation>
    </message>
    <message>
        <source>绿</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>黄</source>
        <translation>Yellow</translation>
    </message>
    <message>
        <source>蓝</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>  为了获得更好的图像质量，第一次使用时系统会要求
您对镜头进行校正，校正前，请先确认当前设备中“没有片夹”，确认认后按“开始校正”

校正过程大约需要耗费 30 秒时间，请稍侯.</source>
        <translation>For the best picture quality, the lens is calibrated before first use.
Make sure that there is no film holder in the scanner, then press “Start calibration”.

Calibration takes about 30 seconds. Please wait.</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Vantrel 1.0 版</source>
        <translation>Vantrel version 1.0</translation>
    </message>
    <message>
        <source>胶片与照片扫描仪的拍摄程序。
拍下的每张图片都交给 Pelidor 保存。</source>
        <translation>The capture program of the film and photo scanner.
Every picture it takes is stored by Pelidor.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>窗口菜单</source>
        <translation>Window menu</translation>
    </message>
    <message>
        <source>正在等待相机的画面…</source>
        <translation>Waiting for the camera’s picture…</translation>
    </message>
    <message>
        <source>相机暂时没有画面，正在重试…</source>
        <translation>The camera sends no picture just now; trying again…</translation>
    </message>
    <message>
        <source>扫描仪已断开。请重新连接，预览会自动恢复。</source>
        <translation>The scanner was disconnected. Connect it again and the preview comes back by itself.</translation>
    </message>
    <message>
        <source>没有找到扫描仪。</source>
        <translation>No scanner found.</translation>
    </message>
    <message>
        <source>没有拍到图片：扫描仪没有送来图片。请再按一次拍摄。</source>
        <translation>No picture was taken: the scanner sent none. Press Capture again.</translation>
    </message>
    <message>
        <source>校正没有进行：画面中有底片或片夹。请取出片夹，让设备中空着，再按“开始校正”。原来的校正保持不变。</source>
        <translation>Calibration not done: the picture shows film or a film holder. Take the holder out so that the scanner is empty, then press “Start calibration” again. The previous calibration is kept.</translation>
    </message>
    <message>
        <source>校正没有进行：画面太暗，无法测量光线。请确认设备中没有片夹、灯已亮起，再按“开始校正”。原来的校正保持不变。</source>
        <translation>Calibration not done: the picture is too dark to measure the light. Make sure the scanner is empty and its light is on, then press “Start calibration” again. The previous calibration is kept.</translation>
    </message>
    <message>
        <source>找不到设备的PidVid！</source>
        <translation>The device’s PID/VID cannot be read!</translation>
    </message>
    <message>
        <source>找不到与.XML中匹配的PIDVID</source>
        <translation>No device matches a PID/VID of DeviceSel.xml</translation>
    </message>
</context>
</TS>
