#include "heap/wine_heaps_service.h"

#include "heap/fields.h"

#include <cstring>
#include <new>

namespace corvane {

namespace {

// Any status other than 0 is a failed query; this one says the buffer is
// not one this service handed out.
constexpr std::uint32_t kUnknownBuffer = 0xC0000008; // STATUS_INVALID_HANDLE

Address AddressOf(const std::vector<unsigned char>& bytes) { return reinterpret_cast<std::uintptr_t>(bytes.data()); }

// The header's size: room for the heaps pointer of any layout.
constexpr std::size_t kHeaderBytes = 0x80;

} // namespace

WineHeapsService::WineHeapsService(DebugInfoService& platform, WineHeapReader& wineHeaps)
    : m_platform(platform), m_wineHeaps(wineHeaps) {}

Address WineHeapsService::CreateBuffer() {
    const Address platform = m_platform.CreateBuffer();
    if (platform == 0) return 0;
    Buffer buffer;
    buffer.platform = platform;
    buffer.header.assign(kHeaderBytes, 0);
    const Address address = AddressOf(buffer.header);
    m_buffers.emplace(address, std::move(buffer));
    return address;
}

void WineHeapsService::DestroyBuffer(Address address) {
    const auto found = m_buffers.find(address);
    if (found == m_buffers.end()) return;
    m_platform.DestroyBuffer(found->second.platform);
    m_buffers.erase(found);
}

void WineHeapsService::PointHeaderAt(Buffer& buffer, Address heapsRecord) {
    const HeaderField field = HeapsPointerField(Layout());
    WriteField(buffer.header.data() + field.offset, heapsRecord, field.width);
}

std::uint32_t WineHeapsService::Query(std::uint32_t processId, std::uint32_t flags, Address address) {
    const auto found = m_buffers.find(address);
    if (found == m_buffers.end()) return kUnknownBuffer;
    Buffer& buffer = found->second;
    buffer.image.clear();
    m_notes = SnapshotNotes{};
    const std::uint32_t status = m_platform.Query(processId, flags, buffer.platform);
    if (status != 0) return status;

    // The platform's answer stands unless it holds no heaps (a malformed
    // answer stands too: reading it reports it) and Wine's heaps can be
    // read.
    const HeaderField field = HeapsPointerField(Layout());
    unsigned char pointer[8] = {};
    const Address heapsRecord = m_platform.Memory().Read(buffer.platform + field.offset, pointer, field.width)
                                    ? ReadField(pointer, field.width)
                                    : 0;
    std::vector<HeapRecord> heaps;
    std::string error;
    const DebugBufferReader reader(m_platform.Memory(), Layout());
    const bool platformHasNone =
        heapsRecord == 0 || (reader.ReadHeaps(buffer.platform, false, heaps, error) && heaps.empty());
    if (!platformHasNone || !m_wineHeaps.Applies()) {
        PointHeaderAt(buffer, heapsRecord);
        return 0;
    }

    // A process's heaps can be larger than this program can hold (the
    // 32-bit edition has 2 GiB in all): that is said, never thrown past the
    // window that asked.
    try {
        WineHeapSnapshot snapshot = m_wineHeaps.Read(processId);
        m_notes.brokenHeaps = std::move(snapshot.brokenHeaps);
        m_notes.unreadable = std::move(snapshot.unreadable);
        LayOutDebugBuffer(Layout(), snapshot.heaps, buffer.image);
        PointHeaderAt(buffer, ReadField(buffer.image.data() + field.offset, field.width));
    } catch (const std::bad_alloc&) {
        buffer.image.clear();
        buffer.image.shrink_to_fit();
        m_notes = SnapshotNotes{};
        m_notes.unreadable = "The heaps of this process cannot be read: they need more memory than is free here.";
        PointHeaderAt(buffer, 0);
    }
    return 0;
}

const std::vector<unsigned char>* WineHeapsService::BufferMemory::Holding(Address address, std::size_t size) const {
    for (const auto& [header, buffer] : m_service.m_buffers) {
        for (const std::vector<unsigned char>* bytes : {&buffer.header, &buffer.image}) {
            const Address start = AddressOf(*bytes);
            if (!bytes->empty() && address >= start && address - start <= bytes->size() &&
                size <= bytes->size() - (address - start))
                return bytes;
        }
    }
    return nullptr;
}

bool WineHeapsService::BufferMemory::IsReadable(Address address, std::size_t size) const {
    return Holding(address, size) != nullptr || m_service.m_platform.Memory().IsReadable(address, size);
}

bool WineHeapsService::BufferMemory::Read(Address address, void* destination, std::size_t size) const {
    if (const std::vector<unsigned char>* bytes = Holding(address, size)) {
        if (size != 0) std::memcpy(destination, bytes->data() + (address - AddressOf(*bytes)), size);
        return true;
    }
    return m_service.m_platform.Memory().Read(address, destination, size);
}

} // namespace corvane
