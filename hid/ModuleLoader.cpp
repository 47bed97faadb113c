#include "hid/ModuleLoader.h"

#include <dlfcn.h>

bool OpenModule(TModuleHandle& handle, const QByteArray& fileName) {
    if (handle == nullptr)
        handle = dlopen(fileName.constData(), RTLD_NOW | RTLD_LOCAL);
    return handle != nullptr;
}

void CloseModule(TModuleHandle& handle) {
    if (handle != nullptr)
        dlclose(handle);
    handle = nullptr;
}

void* FindSymbol(TModuleHandle handle, const char* name) {
    return handle != nullptr ? dlsym(handle, name) : nullptr;
}

void* FindSymbolTracked(TModuleHandle handle, const char* name, bool& ok) {
    void* address = FindSymbol(handle, name);
    ok = ok && address != nullptr;
    return address;
}
