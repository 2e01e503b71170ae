<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="nl">
<context>
    <name>ErrorReport</name>
    <message>
        <source>at line %1</source>
        <translation>op regel %1</translation>
    </message>
    <message>
        <source>Please email screenshot of this message to %1</source>
        <translation>Stuur een schermafbeelding van dit bericht naar %1</translation>
    </message>
    <message>
        <source>The change takes effect now and is saved with the next save that works; without one it is gone when %1 starts again. This is not shown again until then.</source>
        <translation>De wijziging geldt meteen en wordt bewaard bij de volgende opslag die lukt; lukt dat niet, dan is ze weg als %1 opnieuw start. Deze melding verschijnt tot dan niet meer.</translation>
    </message>
    <message>
        <source>Application Error</source>
        <translation>Toepassingsfout</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>Play Option</source>
        <translation>Afspelen</translation>
    </message>
    <message>
        <source>Play white noise until &apos;Turn Off&apos; is clicked</source>
        <translation>Afspelen tot ‘Uitschakelen’</translation>
    </message>
    <message>
        <source>Play from</source>
        <translation>Van</translation>
    </message>
    <message>
        <source>to</source>
        <translation>tot</translation>
    </message>
    <message>
        <source>Which style noise would you like to play?</source>
        <translation>Welke ruis wilt u afspelen?</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Startup Options</source>
        <translation>Opstartopties</translation>
    </message>
    <message>
        <source>Load this software on Windows startup</source>
        <translation>Starten bij aanmelden</translation>
    </message>
    <message>
        <source>Start in system tray</source>
        <translation>Starten in systeemvak</translation>
    </message>
    <message>
        <source>Pitch</source>
        <translation>Toonhoogte</translation>
    </message>
</context>
<context>
    <name>IniSettingsStore</name>
    <message>
        <source>The settings file %1 could not be read, so the settings were reset.<byte value="xd"/>
The old file is kept as %2.</source>
        <translation>Het instellingenbestand %1 kon niet worden gelezen, dus de instellingen zijn teruggezet.<byte value="xd"/>
Het oude bestand is bewaard als %2.</translation>
    </message>
</context>
<context>
    <name>MinimizeToTray</name>
    <message>
        <source>has been minimized to the system tray.<byte value="xd"/>
Click on the blue &apos;T&apos; icon (T for Tarnwell) to bring the software back.</source>
        <translation>is naar het systeemvak geminimaliseerd.<byte value="xd"/>
Klik op het blauwe ‘T’-pictogram (T van Tarnwell) om het programma terug te halen.</translation>
    </message>
</context>
<context>
    <name>NoisePlayer</name>
    <message>
        <source>Turn On</source>
        <translation>Inschakelen</translation>
    </message>
    <message>
        <source>Turn Off</source>
        <translation>Uitschakelen</translation>
    </message>
    <message>
        <source>Preview Sound</source>
        <translation>Voorbeeld beluisteren</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stoppen</translation>
    </message>
</context>
<context>
    <name>StartUpOption</name>
    <message>
        <source>No logon entry can be written: the path of the program&apos;s folder is not UTF-8 text, which a logon entry must be. Move the program to a folder with a UTF-8 name.</source>
        <translation>Er kan geen aanmeldingsitem worden geschreven: het pad van de programmamap is geen UTF-8-tekst, wat zo’n item vereist. Verplaats het programma naar een map met een UTF-8-naam.</translation>
    </message>
    <message>
        <source>No logon entry could be written for %1: the autostart folder is not writable.</source>
        <translation>Er kon geen aanmeldingsitem worden geschreven voor %1: de autostartmap is niet beschrijfbaar.</translation>
    </message>
    <message>
        <source>The logon entry for %1 could not be removed: the autostart folder is not writable, so the program still starts at logon.</source>
        <translation>De aanmeldvermelding voor %1 kon niet worden verwijderd: de map voor automatisch starten is niet beschrijfbaar, dus het programma start nog steeds bij het aanmelden.</translation>
    </message>
</context>
</TS>
