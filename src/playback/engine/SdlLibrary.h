#pragma once

#include <SDL.h>

// SDL (and what it pulls in: ALSA, Wayland, DRM, X extensions) is loaded only
// when no sound server answers, the one case it is used for.
struct SdlLibrary {
    decltype(&SDL_SetHint) setHint = nullptr;
    decltype(&SDL_InitSubSystem) initSubSystem = nullptr;
    decltype(&SDL_QuitSubSystem) quitSubSystem = nullptr;
    decltype(&SDL_EventState) eventState = nullptr;
    decltype(&SDL_OpenAudioDevice) openAudioDevice = nullptr;
    decltype(&SDL_PauseAudioDevice) pauseAudioDevice = nullptr;
    decltype(&SDL_CloseAudioDevice) closeAudioDevice = nullptr;
    decltype(&SDL_GetAudioDeviceStatus) audioDeviceStatus = nullptr;
    decltype(&SDL_TLSCleanup) tlsCleanup = nullptr;

    // ALSA's snd_lib_error_set_handler, where ALSA is there: null restores
    // its own handler.
    using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    int (*setAlsaErrorHandler)(AlsaErrorHandler) = nullptr;

    // The library, loaded on first use; null when it cannot be had.
    static const SdlLibrary* get();
};
