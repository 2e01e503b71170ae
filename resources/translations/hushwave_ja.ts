<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>ErrorReport</name>
    <message>
        <source>at line %1</source>
        <translation>%1 行目</translation>
    </message>
    <message>
        <source>Please email screenshot of this message to %1</source>
        <translation>このメッセージのスクリーンショットを %1 までメールでお送りください</translation>
    </message>
    <message>
        <source>The change takes effect now and is saved with the next save that works; without one it is gone when %1 starts again. This is not shown again until then.</source>
        <translation>変更はすぐに反映され、次に保存できたときに保存されます。保存できないまま %1 を再起動すると失われます。それまでこのメッセージは再表示されません。</translation>
    </message>
    <message>
        <source>Application Error</source>
        <translation>アプリケーション エラー</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>Play Option</source>
        <translation>再生方法</translation>
    </message>
    <message>
        <source>Play white noise until &apos;Turn Off&apos; is clicked</source>
        <translation>「オフにする」まで再生</translation>
    </message>
    <message>
        <source>Play from</source>
        <translation>時間指定</translation>
    </message>
    <message>
        <source>to</source>
        <translation>～</translation>
    </message>
    <message>
        <source>Which style noise would you like to play?</source>
        <translation>再生するノイズの種類を選んでください</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>音量</translation>
    </message>
    <message>
        <source>Startup Options</source>
        <translation>起動オプション</translation>
    </message>
    <message>
        <source>Load this software on Windows startup</source>
        <translation>ログイン時に起動する</translation>
    </message>
    <message>
        <source>Start in system tray</source>
        <translation>システムトレイで起動</translation>
    </message>
    <message>
        <source>Pitch</source>
        <translation>ピッチ</translation>
    </message>
</context>
<context>
    <name>IniSettingsStore</name>
    <message>
        <source>The settings file %1 could not be read, so the settings were reset.<byte value="xd"/>
The old file is kept as %2.</source>
        <translation>設定ファイル %1 を読み込めなかったため、設定をリセットしました。<byte value="xd"/>
古いファイルは %2 として保存されています。</translation>
    </message>
</context>
<context>
    <name>MinimizeToTray</name>
    <message>
        <source>has been minimized to the system tray.<byte value="xd"/>
Click on the blue &apos;T&apos; icon (T for Tarnwell) to bring the software back.</source>
        <translation>はシステムトレイに最小化されました。<byte value="xd"/>
青い「T」アイコン（Tarnwell の T）をクリックすると元に戻ります。</translation>
    </message>
</context>
<context>
    <name>NoisePlayer</name>
    <message>
        <source>Turn On</source>
        <translation>オンにする</translation>
    </message>
    <message>
        <source>Turn Off</source>
        <translation>オフにする</translation>
    </message>
    <message>
        <source>Preview Sound</source>
        <translation>試聴</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
</context>
<context>
    <name>StartUpOption</name>
    <message>
        <source>No logon entry can be written: the path of the program&apos;s folder is not UTF-8 text, which a logon entry must be. Move the program to a folder with a UTF-8 name.</source>
        <translation>ログイン時の起動項目を作成できません。プログラムのフォルダーのパスが UTF-8 のテキストではありません。UTF-8 の名前のフォルダーにプログラムを移動してください。</translation>
    </message>
    <message>
        <source>No logon entry could be written for %1: the autostart folder is not writable.</source>
        <translation>%1 のログイン時の起動項目を作成できませんでした。自動起動フォルダーに書き込めません。</translation>
    </message>
    <message>
        <source>The logon entry for %1 could not be removed: the autostart folder is not writable, so the program still starts at logon.</source>
        <translation>%1 のログオン項目を削除できませんでした: 自動起動フォルダーに書き込めないため、プログラムは引き続きログオン時に起動します。</translation>
    </message>
</context>
</TS>
