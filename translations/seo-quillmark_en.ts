<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Language</name>
    <message>
        <source>%1 的值“%2”不是 zh 或 en，仍用中文</source>
        <translation>%1 is “%2”, which is neither zh nor en; speaking Chinese</translation>
    </message>
</context>
</TS>
