#include "playback/engine/DynamicLibrary.h"

#include <dlfcn.h>

DynamicLibrary::DynamicLibrary(const char* name)
    : m_handle(::dlopen(name, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE))
{
}

void* DynamicLibrary::symbol(const char* name) const
{
    return m_handle ? ::dlsym(m_handle, name) : nullptr;
}
