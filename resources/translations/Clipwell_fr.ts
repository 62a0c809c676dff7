<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>Clipwell</name>
    <message>
        <source>Service Not Enabled</source>
        <translation>Service non activé</translation>
    </message>
    <message>
        <source>The service application either could not be found or an error occurred during launch. Locate and double-click the service application to see if there&apos;s a problem.</source>
        <translation>L’application du service est introuvable, ou une erreur s’est produite à son lancement. Retrouvez l’application du service et ouvrez-la d’un double-clic pour voir s’il y a un problème.</translation>
    </message>
    <message>
        <source>Service Not Disabled.</source>
        <translation>Service non désactivé.</translation>
    </message>
    <message>
        <source>Make sure all dialogs with the service application have been dismissed, then try disabling again.</source>
        <translation>Fermez toutes les zones de dialogue de l’application du service, puis essayez à nouveau de la désactiver.</translation>
    </message>
</context>
</TS>
