#include "playback/engine/SndfileLibrary.h"

#include "playback/engine/DynamicLibrary.h"

#include <optional>

const SndfileLibrary* SndfileLibrary::get()
{
    static const std::optional<SndfileLibrary> library = []() -> std::optional<SndfileLibrary> {
        const DynamicLibrary so("libsndfile.so.1");
        SndfileLibrary l;
        if (so.resolve("sf_open_virtual", l.openVirtual) && so.resolve("sf_close", l.close) &&
            so.resolve("sf_readf_float", l.readFloat) && so.resolve("sf_seek", l.seek) &&
            so.resolve("sf_strerror", l.errorText))
            return l;
        return std::nullopt;
    }();
    return library ? &*library : nullptr;
}
