<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Message</name>
    <message numerus="yes">
        <source>%n byte(s) still queued</source>
        <translation>
            <numerusform>%n byte still queued</numerusform>
            <numerusform>%n bytes still queued</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PortsWindow</name>
    <message numerus="yes">
        <source>%n printer(s) answered.</source>
        <translation>
            <numerusform>%n printer answered.</numerusform>
            <numerusform>%n printers answered.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Record</name>
    <message numerus="yes">
        <source>%1 rows from %n bench(es)</source>
        <translation>
            <numerusform>%1 rows from %n bench</numerusform>
            <numerusform>%1 rows from %n benches</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Recording</name>
    <message numerus="yes">
        <source>%n row(s) that waited went to the shop&apos;s record</source>
        <translation>
            <numerusform>%n row that waited went to the shop&apos;s record</numerusform>
            <numerusform>%n rows that waited went to the shop&apos;s record</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>UpdateWindow</name>
    <message numerus="yes">
        <source>%n printer(s) answered.</source>
        <translation>
            <numerusform>%n printer answered.</numerusform>
            <numerusform>%n printers answered.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Loading release %1 into %n printer(s)...</source>
        <translation>
            <numerusform>Loading release %1 into %n printer...</numerusform>
            <numerusform>Loading release %1 into %n printers...</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>WindowRecord</name>
    <message numerus="yes">
        <source>The %n job(s) that waited went to the shop&apos;s record.</source>
        <translation>
            <numerusform>%n job that waited went to the shop&apos;s record.</numerusform>
            <numerusform>The %n jobs that waited went to the shop&apos;s record.</numerusform>
        </translation>
    </message>
</context>
</TS>
