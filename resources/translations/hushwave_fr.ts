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
</TS>
