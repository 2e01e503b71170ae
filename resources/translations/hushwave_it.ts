<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it">
<context>
    <name>ErrorReport</name>
    <message>
        <source>at line %1</source>
        <translation>alla riga %1</translation>
    </message>
    <message>
        <source>Please email screenshot of this message to %1</source>
        <translation>Invia una schermata di questo messaggio a %1</translation>
    </message>
    <message>
        <source>The change takes effect now and is saved with the next save that works; without one it is gone when %1 starts again. This is not shown again until then.</source>
        <translation>La modifica vale da subito e verrà salvata al prossimo salvataggio riuscito; altrimenti andrà persa al prossimo avvio di %1. Questo avviso non verrà più mostrato fino ad allora.</translation>
    </message>
    <message>
        <source>Application Error</source>
        <translation>Errore dell’applicazione</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>Play Option</source>
        <translation>Riproduzione</translation>
    </message>
    <message>
        <source>Play white noise until &apos;Turn Off&apos; is clicked</source>
        <translation>Riproduci fino a «Spegni»</translation>
    </message>
    <message>
        <source>Play from</source>
        <translation>Dalle</translation>
    </message>
    <message>
        <source>to</source>
        <translation>alle</translation>
    </message>
    <message>
        <source>Which style noise would you like to play?</source>
        <translation>Quale rumore vuoi riprodurre?</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Startup Options</source>
        <translation>Opzioni di avvio</translation>
    </message>
    <message>
        <source>Load this software on Windows startup</source>
        <translation>Avvia all’accesso</translation>
    </message>
    <message>
        <source>Start in system tray</source>
        <translation>Avvia ridotto a icona</translation>
    </message>
    <message>
        <source>Pitch</source>
        <translation>Tonalità</translation>
    </message>
</context>
<context>
    <name>IniSettingsStore</name>
    <message>
        <source>The settings file %1 could not be read, so the settings were reset.<byte value="xd"/>
The old file is kept as %2.</source>
        <translation>Impossibile leggere il file delle impostazioni %1, quindi le impostazioni sono state ripristinate.<byte value="xd"/>
Il vecchio file è conservato come %2.</translation>
    </message>
</context>
<context>
    <name>MinimizeToTray</name>
    <message>
        <source>has been minimized to the system tray.<byte value="xd"/>
Click on the blue &apos;T&apos; icon (T for Tarnwell) to bring the software back.</source>
        <translation>è stato ridotto nell’area di notifica.<byte value="xd"/>
Fai clic sull’icona blu «T» (T di Tarnwell) per riaprirlo.</translation>
    </message>
</context>
<context>
    <name>NoisePlayer</name>
    <message>
        <source>Turn On</source>
        <translation>Accendi</translation>
    </message>
    <message>
        <source>Turn Off</source>
        <translation>Spegni</translation>
    </message>
    <message>
        <source>Preview Sound</source>
        <translation>Ascolta un’anteprima</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Ferma</translation>
    </message>
</context>
<context>
    <name>StartUpOption</name>
    <message>
        <source>No logon entry can be written: the path of the program&apos;s folder is not UTF-8 text, which a logon entry must be. Move the program to a folder with a UTF-8 name.</source>
        <translation>Impossibile scrivere la voce di avvio: il percorso della cartella del programma non è testo UTF-8, come richiesto. Sposta il programma in una cartella con un nome UTF-8.</translation>
    </message>
    <message>
        <source>No logon entry could be written for %1: the autostart folder is not writable.</source>
        <translation>Impossibile scrivere la voce di avvio per %1: la cartella di avvio automatico non è scrivibile.</translation>
    </message>
    <message>
        <source>The logon entry for %1 could not be removed: the autostart folder is not writable, so the program still starts at logon.</source>
        <translation>Impossibile rimuovere la voce di avvio per %1: la cartella di avvio automatico non è scrivibile, quindi il programma si avvia ancora all’accesso.</translation>
    </message>
</context>
</TS>
