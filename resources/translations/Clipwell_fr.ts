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
    <message>
        <source>Settings Not Saved</source>
        <translation>Réglages non enregistrés</translation>
    </message>
    <message>
        <source>The settings could not be written to %1: %2.</source>
        <translation>Les réglages n’ont pas pu être écrits dans %1 : %2.</translation>
    </message>
    <message>
        <source>Excluded Applications Not Changed</source>
        <translation>Applications exclues non modifiées</translation>
    </message>
    <message>
        <source>The application store could not be saved: %1. The list of excluded applications is unchanged.</source>
        <translation>Le catalogue des applications n’a pas pu être enregistré : %1. La liste des applications exclues est inchangée.</translation>
    </message>
    <message>
        <source>The excluded applications cannot be shown.</source>
        <translation>Les applications exclues ne peuvent pas être affichées.</translation>
    </message>
    <message>
        <source>Corvane has not catalogued your applications yet: turn it on and the list fills</source>
        <translation>Corvane n’a pas encore répertorié vos applications : activez-le et la liste se remplira</translation>
    </message>
    <message>
        <source>Login Item Not Added</source>
        <translation>Ouverture à la connexion non ajoutée</translation>
    </message>
    <message>
        <source>Login Item Not Removed</source>
        <translation>Ouverture à la connexion non supprimée</translation>
    </message>
    <message>
        <source>Unable to locate Velora Corvane service application.</source>
        <translation>Impossible de trouver l’application de service Velora Corvane.</translation>
    </message>
    <message>
        <source>The login item could not be changed in %1.</source>
        <translation>L’ouverture à la connexion n’a pas pu être modifiée dans %1.</translation>
    </message>
</context>
</TS>
