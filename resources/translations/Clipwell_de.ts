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
    <message>
        <source>Settings Not Saved</source>
        <translation>Einstellungen nicht gesichert</translation>
    </message>
    <message>
        <source>The settings could not be written to %1: %2.</source>
        <translation>Die Einstellungen konnten nicht in %1 geschrieben werden: %2.</translation>
    </message>
    <message>
        <source>Excluded Applications Not Changed</source>
        <translation>Ausgeschlossene Programme nicht geändert</translation>
    </message>
    <message>
        <source>The application store could not be saved: %1. The list of excluded applications is unchanged.</source>
        <translation>Der Programmkatalog konnte nicht gesichert werden: %1. Die Liste der ausgeschlossenen Programme ist unverändert.</translation>
    </message>
    <message>
        <source>The excluded applications cannot be shown.</source>
        <translation>Die ausgeschlossenen Programme können nicht angezeigt werden.</translation>
    </message>
    <message>
        <source>Corvane has not catalogued your applications yet: turn it on and the list fills</source>
        <translation>Corvane hat Ihre Programme noch nicht erfasst: Schalten Sie es ein, dann füllt sich die Liste</translation>
    </message>
    <message>
        <source>Login Item Not Added</source>
        <translation>Anmeldeobjekt nicht hinzugefügt</translation>
    </message>
    <message>
        <source>Login Item Not Removed</source>
        <translation>Anmeldeobjekt nicht entfernt</translation>
    </message>
    <message>
        <source>Unable to locate Velora Corvane service application.</source>
        <translation>Das Dienstprogramm von Velora Corvane wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>The login item could not be changed in %1.</source>
        <translation>Das Anmeldeobjekt konnte in %1 nicht geändert werden.</translation>
    </message>
</context>
</TS>
