<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Clipwell</name>
    <message>
        <source>Service Not Enabled</source>
        <translation>Dienst nicht eingeschaltet</translation>
    </message>
    <message>
        <source>The service application either could not be found or an error occurred during launch. Locate and double-click the service application to see if there&apos;s a problem.</source>
        <translation>Das Dienstprogramm wurde nicht gefunden, oder beim Starten ist ein Fehler aufgetreten. Suchen Sie das Dienstprogramm und öffnen Sie es mit einem Doppelklick, um zu sehen, ob es ein Problem gibt.</translation>
    </message>
    <message>
        <source>Service Not Disabled.</source>
        <translation>Dienst nicht ausgeschaltet.</translation>
    </message>
    <message>
        <source>Make sure all dialogs with the service application have been dismissed, then try disabling again.</source>
        <translation>Schließen Sie alle Dialoge des Dienstprogramms und versuchen Sie dann erneut, den Dienst auszuschalten.</translation>
    </message>
</context>
</TS>
