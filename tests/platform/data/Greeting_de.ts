<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Greeting</name>
    <message>
        <source>Good morning</source>
        <translation>Guten Morgen</translation>
    </message>
    <message>
        <source>Untranslated</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Other</name>
    <message>
        <source>Good evening</source>
        <translation>Guten Abend</translation>
    </message>
</context>
</TS>
