#include "playback/engine/SdlLibrary.h"

#include "playback/engine/DynamicLibrary.h"

#include <optional>

const SdlLibrary* SdlLibrary::get()
{
    static const std::optional<SdlLibrary> library = []() -> std::optional<SdlLibrary> {
        const DynamicLibrary so("libSDL2-2.0.so.0");
        SdlLibrary l;
        if (!so.resolve("SDL_SetHint", l.setHint) ||
            !so.resolve("SDL_InitSubSystem", l.initSubSystem) ||
            !so.resolve("SDL_QuitSubSystem", l.quitSubSystem) ||
            !so.resolve("SDL_EventState", l.eventState) ||
            !so.resolve("SDL_OpenAudioDevice", l.openAudioDevice) ||
            !so.resolve("SDL_PauseAudioDevice", l.pauseAudioDevice) ||
            !so.resolve("SDL_CloseAudioDevice", l.closeAudioDevice) ||
            !so.resolve("SDL_GetAudioDeviceStatus", l.audioDeviceStatus) ||
            !so.resolve("SDL_TLSCleanup", l.tlsCleanup))
            return std::nullopt;
        // SDL opens ALSA itself; this is the same library, for its error lines.
        const DynamicLibrary alsa("libasound.so.2");
        alsa.resolve("snd_lib_error_set_handler", l.setAlsaErrorHandler);
        return l;
    }();
    return library ? &*library : nullptr;
}
