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
</TS>
