#pragma once

// The one owner of every handle the program holds: kernel handles, GDI
// objects, icons, device contexts and debug-information buffers. This header
// needs no windows.h, so the portable code uses it too.

#include <utility>

namespace corvane {

// Owns one handle and releases it when it goes or is given another; move-only.
// `Traits` says what a handle is and how it is released:
//     struct Traits {
//         using Handle = ...;
//         static Handle None();              // the value that holds nothing
//         static bool IsValid(Handle);       // whether a value holds something
//         void Release(Handle) const;        // may use state of its own
//     };
template <typename Traits> class UniqueResource {
public:
    using Handle = typename Traits::Handle;

    UniqueResource() = default;
    explicit UniqueResource(Handle handle, Traits traits = Traits()) : m_traits(std::move(traits)), m_handle(handle) {}
    ~UniqueResource() { reset(); }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : m_traits(other.m_traits), m_handle(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            reset(other.release()); // the handle held goes with the traits it came with
            m_traits = other.m_traits;
        }
        return *this;
    }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return Traits::IsValid(m_handle); }
    // Gives the handle up without releasing it.
    Handle release() { return std::exchange(m_handle, Traits::None()); }
    // Releases the handle held and takes over `handle`.
    void reset(Handle handle = Traits::None()) {
        const Handle previous = std::exchange(m_handle, handle);
        if (Traits::IsValid(previous) && previous != handle) m_traits.Release(previous);
    }

private:
    Traits m_traits{};
    Handle m_handle = Traits::None();
};

} // namespace corvane
