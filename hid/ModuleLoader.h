#pragma once
// Run-time loading of a shared library and lookup of its exports. A module handle is null while
// its library is not loaded; opening an already open handle leaves it as it is.

#include <QByteArray>

using TModuleHandle = void*;

// Loads `fileName` only when `handle` is null; true when the handle is non-null afterwards.
bool OpenModule(TModuleHandle& handle, const QByteArray& fileName);
// Unloads a non-null handle; the handle becomes null.
void CloseModule(TModuleHandle& handle);
// The address of an export, or null (also for a null handle).
void* FindSymbol(TModuleHandle handle, const char* name);
// As FindSymbol; `ok` becomes false when the export is missing and is never set back to true.
void* FindSymbolTracked(TModuleHandle handle, const char* name, bool& ok);
