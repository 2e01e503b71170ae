<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>ErrorReport</name>
    <message>
        <source>at line %1</source>
        <translation>à la ligne %1</translation>
    </message>
    <message>
        <source>Please email screenshot of this message to %1</source>
        <translation>Veuillez envoyer une capture d’écran de ce message à %1</translation>
    </message>
    <message>
        <source>The change takes effect now and is saved with the next save that works; without one it is gone when %1 starts again. This is not shown again until then.</source>
        <translation>La modification s’applique dès maintenant et sera enregistrée au prochain enregistrement réussi ; sinon, elle sera perdue au prochain démarrage de %1. Ce message ne s’affichera plus d’ici là.</translation>
    </message>
    <message>
        <source>Application Error</source>
        <translation>Erreur de l’application</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>Play Option</source>
        <translation>Lecture</translation>
    </message>
    <message>
        <source>Play white noise until &apos;Turn Off&apos; is clicked</source>
        <translation>Lire jusqu’à « Désactiver »</translation>
    </message>
    <message>
        <source>Play from</source>
        <translation>De</translation>
    </message>
    <message>
        <source>to</source>
        <translation>à</translation>
    </message>
    <message>
        <source>Which style noise would you like to play?</source>
        <translation>Quel bruit voulez-vous écouter ?</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Startup Options</source>
        <translation>Options de démarrage</translation>
    </message>
    <message>
        <source>Load this software on Windows startup</source>
        <translation>Lancer à l’ouverture de session</translation>
    </message>
    <message>
        <source>Start in system tray</source>
        <translation>Démarrer réduit</translation>
    </message>
    <message>
        <source>Pitch</source>
        <translation>Hauteur</translation>
    </message>
</context>
<context>
    <name>IniSettingsStore</name>
    <message>
        <source>The settings file %1 could not be read, so the settings were reset.<byte value="xd"/>
The old file is kept as %2.</source>
        <translation>Le fichier de paramètres %1 n’a pas pu être lu ; les paramètres ont donc été réinitialisés.<byte value="xd"/>
L’ancien fichier est conservé sous le nom %2.</translation>
    </message>
</context>
<context>
    <name>MinimizeToTray</name>
    <message>
        <source>has been minimized to the system tray.<byte value="xd"/>
Click on the blue &apos;T&apos; icon (T for Tarnwell) to bring the software back.</source>
        <translation>a été réduit dans la zone de notification.<byte value="xd"/>
Cliquez sur l’icône bleue « T » (T pour Tarnwell) pour l’afficher à nouveau.</translation>
    </message>
</context>
<context>
    <name>NoisePlayer</name>
    <message>
        <source>Turn On</source>
        <translation>Activer</translation>
    </message>
    <message>
        <source>Turn Off</source>
        <translation>Désactiver</translation>
    </message>
    <message>
        <source>Preview Sound</source>
        <translation>Écouter un extrait</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
</context>
<context>
    <name>StartUpOption</name>
    <message>
        <source>No logon entry can be written: the path of the program&apos;s folder is not UTF-8 text, which a logon entry must be. Move the program to a folder with a UTF-8 name.</source>
        <translation>Impossible d’écrire l’entrée de démarrage : le chemin du dossier du programme n’est pas du texte UTF-8, ce qu’exige cette entrée. Déplacez le programme dans un dossier au nom UTF-8.</translation>
    </message>
    <message>
        <source>No logon entry could be written for %1: the autostart folder is not writable.</source>
        <translation>Impossible d’écrire l’entrée de démarrage pour %1 : le dossier de démarrage automatique n’est pas accessible en écriture.</translation>
    </message>
    <message>
        <source>The logon entry for %1 could not be removed: the autostart folder is not writable, so the program still starts at logon.</source>
        <translation>L’entrée de démarrage de %1 n’a pas pu être supprimée : le dossier de démarrage automatique n’est pas accessible en écriture, le programme démarre donc toujours à l’ouverture de session.</translation>
    </message>
</context>
</TS>
