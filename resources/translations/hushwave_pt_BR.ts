<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR">
<context>
    <name>ErrorReport</name>
    <message>
        <source>at line %1</source>
        <translation>na linha %1</translation>
    </message>
    <message>
        <source>Please email screenshot of this message to %1</source>
        <translation>Envie uma captura de tela desta mensagem para %1</translation>
    </message>
    <message>
        <source>The change takes effect now and is saved with the next save that works; without one it is gone when %1 starts again. This is not shown again until then.</source>
        <translation>A alteração vale desde já e será salva no próximo salvamento que der certo; sem ele, será perdida quando o %1 for reiniciado. Este aviso não será mostrado de novo até lá.</translation>
    </message>
    <message>
        <source>Application Error</source>
        <translation>Erro do aplicativo</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>Play Option</source>
        <translation>Reprodução</translation>
    </message>
    <message>
        <source>Play white noise until &apos;Turn Off&apos; is clicked</source>
        <translation>Tocar até clicar em “Desligar”</translation>
    </message>
    <message>
        <source>Play from</source>
        <translation>Das</translation>
    </message>
    <message>
        <source>to</source>
        <translation>às</translation>
    </message>
    <message>
        <source>Which style noise would you like to play?</source>
        <translation>Qual ruído você quer tocar?</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Startup Options</source>
        <translation>Opções de inicialização</translation>
    </message>
    <message>
        <source>Load this software on Windows startup</source>
        <translation>Iniciar ao entrar na sessão</translation>
    </message>
    <message>
        <source>Start in system tray</source>
        <translation>Iniciar na bandeja</translation>
    </message>
    <message>
        <source>Pitch</source>
        <translation>Tom</translation>
    </message>
</context>
<context>
    <name>IniSettingsStore</name>
    <message>
        <source>The settings file %1 could not be read, so the settings were reset.<byte value="xd"/>
The old file is kept as %2.</source>
        <translation>Não foi possível ler o arquivo de configurações %1, então as configurações foram redefinidas.<byte value="xd"/>
O arquivo antigo foi mantido como %2.</translation>
    </message>
</context>
<context>
    <name>MinimizeToTray</name>
    <message>
        <source>has been minimized to the system tray.<byte value="xd"/>
Click on the blue &apos;T&apos; icon (T for Tarnwell) to bring the software back.</source>
        <translation>foi minimizado para a bandeja do sistema.<byte value="xd"/>
Clique no ícone azul “T” (T de Tarnwell) para trazê-lo de volta.</translation>
    </message>
</context>
<context>
    <name>NoisePlayer</name>
    <message>
        <source>Turn On</source>
        <translation>Ligar</translation>
    </message>
    <message>
        <source>Turn Off</source>
        <translation>Desligar</translation>
    </message>
    <message>
        <source>Preview Sound</source>
        <translation>Ouvir prévia</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Parar</translation>
    </message>
</context>
<context>
    <name>StartUpOption</name>
    <message>
        <source>No logon entry can be written: the path of the program&apos;s folder is not UTF-8 text, which a logon entry must be. Move the program to a folder with a UTF-8 name.</source>
        <translation>Não é possível gravar a entrada de início de sessão: o caminho da pasta do programa não é texto UTF-8, como a entrada exige. Mova o programa para uma pasta com nome em UTF-8.</translation>
    </message>
    <message>
        <source>No logon entry could be written for %1: the autostart folder is not writable.</source>
        <translation>Não foi possível gravar a entrada de início de sessão para %1: a pasta de início automático não permite gravação.</translation>
    </message>
    <message>
        <source>The logon entry for %1 could not be removed: the autostart folder is not writable, so the program still starts at logon.</source>
        <translation>Não foi possível remover a entrada de início de sessão de %1: a pasta de inicialização automática não permite gravação, então o programa continua iniciando ao entrar na sessão.</translation>
    </message>
</context>
</TS>
