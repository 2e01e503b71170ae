<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>ErrorReport</name>
    <message>
        <source>at line %1</source>
        <translation>in Zeile %1</translation>
    </message>
    <message>
        <source>Please email screenshot of this message to %1</source>
        <translation>Bitte senden Sie ein Bildschirmfoto dieser Meldung per E-Mail an %1</translation>
    </message>
    <message>
        <source>The change takes effect now and is saved with the next save that works; without one it is gone when %1 starts again. This is not shown again until then.</source>
        <translation>Die Änderung gilt ab sofort und wird beim nächsten gelungenen Speichern gesichert; gelingt keines, ist sie beim nächsten Start von %1 verloren. Dieser Hinweis erscheint bis dahin nicht erneut.</translation>
    </message>
    <message>
        <source>Application Error</source>
        <translation>Anwendungsfehler</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>Play Option</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Play white noise until &apos;Turn Off&apos; is clicked</source>
        <translation>Bis zum Ausschalten abspielen</translation>
    </message>
    <message>
        <source>Play from</source>
        <translation>Von</translation>
    </message>
    <message>
        <source>to</source>
        <translation>bis</translation>
    </message>
    <message>
        <source>Which style noise would you like to play?</source>
        <translation>Welches Rauschen möchten Sie abspielen?</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Startup Options</source>
        <translation>Startoptionen</translation>
    </message>
    <message>
        <source>Load this software on Windows startup</source>
        <translation>Beim Anmelden starten</translation>
    </message>
    <message>
        <source>Start in system tray</source>
        <translation>Im Infobereich starten</translation>
    </message>
    <message>
        <source>Pitch</source>
        <translation>Tonhöhe</translation>
    </message>
</context>
<context>
    <name>IniSettingsStore</name>
    <message>
        <source>The settings file %1 could not be read, so the settings were reset.<byte value="xd"/>
The old file is kept as %2.</source>
        <translation>Die Einstellungsdatei %1 konnte nicht gelesen werden, daher wurden die Einstellungen zurückgesetzt.<byte value="xd"/>
Die alte Datei bleibt als %2 erhalten.</translation>
    </message>
</context>
<context>
    <name>MinimizeToTray</name>
    <message>
        <source>has been minimized to the system tray.<byte value="xd"/>
Click on the blue &apos;T&apos; icon (T for Tarnwell) to bring the software back.</source>
        <translation>wurde in den Infobereich minimiert.<byte value="xd"/>
Klicken Sie auf das blaue „T“ (T für Tarnwell), um das Programm wieder anzuzeigen.</translation>
    </message>
</context>
<context>
    <name>NoisePlayer</name>
    <message>
        <source>Turn On</source>
        <translation>Einschalten</translation>
    </message>
    <message>
        <source>Turn Off</source>
        <translation>Ausschalten</translation>
    </message>
    <message>
        <source>Preview Sound</source>
        <translation>Probehören</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
</context>
<context>
    <name>StartUpOption</name>
    <message>
        <source>No logon entry can be written: the path of the program&apos;s folder is not UTF-8 text, which a logon entry must be. Move the program to a folder with a UTF-8 name.</source>
        <translation>Es kann kein Anmeldeeintrag geschrieben werden: Der Pfad des Programmordners ist kein UTF-8-Text, was ein Anmeldeeintrag erfordert. Verschieben Sie das Programm in einen Ordner mit UTF-8-Namen.</translation>
    </message>
    <message>
        <source>No logon entry could be written for %1: the autostart folder is not writable.</source>
        <translation>Für %1 konnte kein Anmeldeeintrag geschrieben werden: Der Autostart-Ordner ist schreibgeschützt.</translation>
    </message>
    <message>
        <source>The logon entry for %1 could not be removed: the autostart folder is not writable, so the program still starts at logon.</source>
        <translation>Der Anmeldeeintrag für %1 konnte nicht entfernt werden: Der Autostart-Ordner ist schreibgeschützt, daher startet das Programm weiterhin bei der Anmeldung.</translation>
    </message>
</context>
</TS>
