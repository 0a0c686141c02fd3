<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="zh_CN">
<context>
    <name>tavrel::CaptureDialog</name>
    <message>
        <source>照片预览</source>
        <translation>Picture preview</translation>
    </message>
    <message>
        <source>照片尺寸</source>
        <translation>Photo size</translation>
    </message>
    <message>
        <source>底片类型</source>
        <translation>Film type</translation>
    </message>
</context>
</TS>
