#pragma once

// Owners of the platform's handles, all of them the one UniqueResource.

#include "base/unique_resource.h"

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

// A handle that is a pointer, released by `Close`.
template <typename PointerHandle, auto Close> struct PointerHandleTraits {
    using Handle = PointerHandle;
    static Handle None() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
    void Release(Handle handle) const { Close(handle); }
};

// A font, bitmap, brush or other GDI object, not selected anywhere when it goes.
template <typename GdiHandle> using UniqueGdiObject = UniqueResource<PointerHandleTraits<GdiHandle, &::DeleteObject>>;
// An icon the program loaded or made (not a shared resource icon).
using UniqueIcon = UniqueResource<PointerHandleTraits<HICON, &::DestroyIcon>>;
// A menu loaded from the resources.
using UniqueMenu = UniqueResource<PointerHandleTraits<HMENU, &::DestroyMenu>>;
// Global memory the program allocated and has not handed to the system.
using UniqueGlobalMemory = UniqueResource<PointerHandleTraits<HGLOBAL, &::GlobalFree>>;
// A memory device context the program created.
using UniqueMemoryDc = UniqueResource<PointerHandleTraits<HDC, &::DeleteDC>>;

} // namespace corvane
