<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl">
<context>
    <name>ErrorReport</name>
    <message>
        <source>at line %1</source>
        <translation>w wierszu %1</translation>
    </message>
    <message>
        <source>Please email screenshot of this message to %1</source>
        <translation>Wyślij zrzut ekranu tego komunikatu na adres %1</translation>
    </message>
    <message>
        <source>The change takes effect now and is saved with the next save that works; without one it is gone when %1 starts again. This is not shown again until then.</source>
        <translation>Zmiana działa od razu i zostanie zapisana przy następnym udanym zapisie; jeśli go nie będzie, przepadnie po ponownym uruchomieniu programu %1. Do tego czasu ten komunikat nie pojawi się ponownie.</translation>
    </message>
    <message>
        <source>Application Error</source>
        <translation>Błąd aplikacji</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>Play Option</source>
        <translation>Odtwarzanie</translation>
    </message>
    <message>
        <source>Play white noise until &apos;Turn Off&apos; is clicked</source>
        <translation>Odtwarzaj do kliknięcia „Wyłącz”</translation>
    </message>
    <message>
        <source>Play from</source>
        <translation>Od</translation>
    </message>
    <message>
        <source>to</source>
        <translation>do</translation>
    </message>
    <message>
        <source>Which style noise would you like to play?</source>
        <translation>Jaki szum chcesz odtwarzać?</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Głośność</translation>
    </message>
    <message>
        <source>Startup Options</source>
        <translation>Opcje uruchamiania</translation>
    </message>
    <message>
        <source>Load this software on Windows startup</source>
        <translation>Uruchamiaj po zalogowaniu</translation>
    </message>
    <message>
        <source>Start in system tray</source>
        <translation>Uruchamiaj w zasobniku</translation>
    </message>
    <message>
        <source>Pitch</source>
        <translation>Wysokość</translation>
    </message>
</context>
<context>
    <name>IniSettingsStore</name>
    <message>
        <source>The settings file %1 could not be read, so the settings were reset.<byte value="xd"/>
The old file is kept as %2.</source>
        <translation>Nie udało się odczytać pliku ustawień %1, więc ustawienia zostały przywrócone do domyślnych.<byte value="xd"/>
Stary plik zachowano jako %2.</translation>
    </message>
</context>
<context>
    <name>MinimizeToTray</name>
    <message>
        <source>has been minimized to the system tray.<byte value="xd"/>
Click on the blue &apos;T&apos; icon (T for Tarnwell) to bring the software back.</source>
        <translation>został zminimalizowany do zasobnika systemowego.<byte value="xd"/>
Kliknij niebieską ikonę „T” (T jak Tarnwell), aby go przywrócić.</translation>
    </message>
</context>
<context>
    <name>NoisePlayer</name>
    <message>
        <source>Turn On</source>
        <translation>Włącz</translation>
    </message>
    <message>
        <source>Turn Off</source>
        <translation>Wyłącz</translation>
    </message>
    <message>
        <source>Preview Sound</source>
        <translation>Odsłuchaj</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Zatrzymaj</translation>
    </message>
</context>
<context>
    <name>StartUpOption</name>
    <message>
        <source>No logon entry can be written: the path of the program&apos;s folder is not UTF-8 text, which a logon entry must be. Move the program to a folder with a UTF-8 name.</source>
        <translation>Nie można zapisać wpisu autostartu: ścieżka folderu programu nie jest tekstem UTF-8, a wpis tego wymaga. Przenieś program do folderu o nazwie w UTF-8.</translation>
    </message>
    <message>
        <source>No logon entry could be written for %1: the autostart folder is not writable.</source>
        <translation>Nie udało się zapisać wpisu autostartu dla %1: folder autostartu nie jest zapisywalny.</translation>
    </message>
    <message>
        <source>The logon entry for %1 could not be removed: the autostart folder is not writable, so the program still starts at logon.</source>
        <translation>Nie można usunąć wpisu logowania dla %1: folder autostartu nie jest zapisywalny, więc program nadal uruchamia się po zalogowaniu.</translation>
    </message>
</context>
</TS>
