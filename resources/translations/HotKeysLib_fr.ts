<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>HotKeysLib</name>
    <message>
        <source>(None)</source>
        <translation>(Aucune)</translation>
    </message>
</context>
</TS>
