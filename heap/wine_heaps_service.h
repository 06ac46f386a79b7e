#pragma once

// The platform's debug-information service, with Wine's heaps in place of an
// answer that holds none (Wine's own heap query reports none): they are read
// from the process's memory and handed over in a buffer laid out as the
// platform's own, so that everything that reads buffers works on them
// unchanged.

#include "heap/services.h"
#include "heap/wine_heaps.h"

#include <map>
#include <vector>

namespace corvane {

class WineHeapsService : public DebugInfoService {
public:
    // platform, wineHeaps: not owned; they outlive this service.
    WineHeapsService(DebugInfoService& platform, WineHeapReader& wineHeaps);

    Address CreateBuffer() override;
    std::uint32_t Query(std::uint32_t processId, std::uint32_t flags, Address buffer) override;
    void DestroyBuffer(Address buffer) override;
    bool IsRunning(std::uint32_t processId) override { return m_platform.IsRunning(processId); }
    const MemoryView& Memory() const override { return m_memory; }
    HeapRecordLayout Layout() const override { return m_platform.Layout(); }
    SnapshotNotes Notes() const override { return m_notes; }

private:
    // A buffer handed out: a header of this service's own, whose heaps
    // pointer leads to the platform's heaps or to a snapshot of Wine's heaps,
    // laid out in `image`.
    struct Buffer {
        Address platform = 0;
        std::vector<unsigned char> header;
        std::vector<unsigned char> image;
    };

    // Reads the buffers' own bytes where they lie, and everything else
    // through the platform's view.
    class BufferMemory : public MemoryView {
    public:
        explicit BufferMemory(const WineHeapsService& service) : m_service(service) {}
        bool IsReadable(Address address, std::size_t size) const override;
        bool Read(Address address, void* destination, std::size_t size) const override;

    private:
        const std::vector<unsigned char>* Holding(Address address, std::size_t size) const;
        const WineHeapsService& m_service;
    };

    void PointHeaderAt(Buffer& buffer, Address heapsRecord);

    DebugInfoService& m_platform;
    WineHeapReader& m_wineHeaps;
    std::map<Address, Buffer> m_buffers; // by the address of their header
    BufferMemory m_memory{*this};
    SnapshotNotes m_notes;
};

} // namespace corvane
