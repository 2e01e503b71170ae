<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>ErrorReport</name>
    <message>
        <source>at line %1</source>
        <translation>en la línea %1</translation>
    </message>
    <message>
        <source>Please email screenshot of this message to %1</source>
        <translation>Envíe una captura de pantalla de este mensaje a %1</translation>
    </message>
    <message>
        <source>The change takes effect now and is saved with the next save that works; without one it is gone when %1 starts again. This is not shown again until then.</source>
        <translation>El cambio se aplica ya y se guardará la próxima vez que se pueda guardar; si no, se perderá cuando %1 vuelva a iniciarse. Este aviso no se mostrará de nuevo hasta entonces.</translation>
    </message>
    <message>
        <source>Application Error</source>
        <translation>Error de la aplicación</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>Play Option</source>
        <translation>Reproducción</translation>
    </message>
    <message>
        <source>Play white noise until &apos;Turn Off&apos; is clicked</source>
        <translation>Reproducir hasta pulsar «Apagar»</translation>
    </message>
    <message>
        <source>Play from</source>
        <translation>De</translation>
    </message>
    <message>
        <source>to</source>
        <translation>a</translation>
    </message>
    <message>
        <source>Which style noise would you like to play?</source>
        <translation>¿Qué tipo de ruido quiere reproducir?</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volumen</translation>
    </message>
    <message>
        <source>Startup Options</source>
        <translation>Opciones de inicio</translation>
    </message>
    <message>
        <source>Load this software on Windows startup</source>
        <translation>Abrir al iniciar sesión</translation>
    </message>
    <message>
        <source>Start in system tray</source>
        <translation>Iniciar en la bandeja</translation>
    </message>
    <message>
        <source>Pitch</source>
        <translation>Tono</translation>
    </message>
</context>
<context>
    <name>IniSettingsStore</name>
    <message>
        <source>The settings file %1 could not be read, so the settings were reset.<byte value="xd"/>
The old file is kept as %2.</source>
        <translation>No se pudo leer el archivo de configuración %1, así que se restableció la configuración.<byte value="xd"/>
El archivo anterior se conserva como %2.</translation>
    </message>
</context>
<context>
    <name>MinimizeToTray</name>
    <message>
        <source>has been minimized to the system tray.<byte value="xd"/>
Click on the blue &apos;T&apos; icon (T for Tarnwell) to bring the software back.</source>
        <translation>se ha minimizado en la bandeja del sistema.<byte value="xd"/>
Haga clic en el icono azul «T» (T de Tarnwell) para volver a mostrarlo.</translation>
    </message>
</context>
<context>
    <name>NoisePlayer</name>
    <message>
        <source>Turn On</source>
        <translation>Encender</translation>
    </message>
    <message>
        <source>Turn Off</source>
        <translation>Apagar</translation>
    </message>
    <message>
        <source>Preview Sound</source>
        <translation>Escuchar muestra</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Detener</translation>
    </message>
</context>
<context>
    <name>StartUpOption</name>
    <message>
        <source>No logon entry can be written: the path of the program&apos;s folder is not UTF-8 text, which a logon entry must be. Move the program to a folder with a UTF-8 name.</source>
        <translation>No se puede crear la entrada de inicio de sesión: la ruta de la carpeta del programa no es texto UTF-8, como exige la entrada. Mueva el programa a una carpeta con nombre UTF-8.</translation>
    </message>
    <message>
        <source>No logon entry could be written for %1: the autostart folder is not writable.</source>
        <translation>No se pudo crear la entrada de inicio de sesión para %1: no se puede escribir en la carpeta de inicio automático.</translation>
    </message>
    <message>
        <source>The logon entry for %1 could not be removed: the autostart folder is not writable, so the program still starts at logon.</source>
        <translation>No se pudo quitar la entrada de inicio de sesión de %1: la carpeta de inicio automático no admite escritura, así que el programa sigue iniciándose al iniciar sesión.</translation>
    </message>
</context>
</TS>
