#pragma once

// Owners of the platform's handles, all of them the one UniqueResource.

#include "framework/unique_resource.h"

#include <windows.h>

namespace corvane {

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    void Release(Handle handle) const { ::CloseHandle(handle); }
};
// A process, token, file or other kernel handle.
using UniqueHandle = UniqueResource<KernelHandleTraits>;

template <typename GdiHandle> struct GdiObjectTraits {
    using Handle = GdiHandle;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
    void Release(Handle handle) const { ::DeleteObject(handle); }
};
// A font, bitmap, brush or other GDI object, not selected anywhere when it goes.
template <typename GdiHandle> using UniqueGdiObject = UniqueResource<GdiObjectTraits<GdiHandle>>;

struct IconTraits {
    using Handle = HICON;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
    void Release(Handle handle) const { ::DestroyIcon(handle); }
};
// An icon the program loaded or made (not a shared resource icon).
using UniqueIcon = UniqueResource<IconTraits>;

struct MemoryDcTraits {
    using Handle = HDC;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
    void Release(Handle handle) const { ::DeleteDC(handle); }
};
// A memory device context the program created.
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;

} // namespace corvane
