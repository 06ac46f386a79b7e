#include "heap/heap_query.h"

#include <cstdio>

namespace corvane {

std::string HeapQueryFailedText(std::uint32_t status) {
    char text[96];
    std::snprintf(text, sizeof text, "Failed to query process heap information, error = 0x%.8x",
                  static_cast<unsigned>(status));
    return text;
}

std::string UnreadableSnapshotText(const std::string& detail) {
    return "Failed to read the heap information of the process: " + detail;
}

HeapQuery::HeapQuery(DebugInfoService& service, std::uint32_t processId, bool checkEntryArrays,
                     const HeapQueryRetry& retry)
    : m_reader(service.Memory(), service.Layout()) {
    if (!service.IsRunning(processId)) return;
    m_buffer = CreateDebugBuffer(service);
    if (!m_buffer) {
        m_result = HeapQueryResult::NoBuffer;
        return;
    }
    m_status = service.Query(processId, kQueryHeapsWithEntries, m_buffer.get());
    if (m_status != 0) {
        if (!service.IsRunning(processId)) return;
        m_result = HeapQueryResult::QueryFailed;
        if (!retry) return;
        m_status = retry(m_buffer.get());
        if (m_status != 0) return;
        checkEntryArrays = false;
    }
    if (m_reader.ReadHeaps(m_buffer.get(), checkEntryArrays, m_heaps, m_detail)) {
        m_result = HeapQueryResult::Read;
    } else {
        m_result = HeapQueryResult::Unreadable;
        m_heaps.clear();
    }
}

bool HeapQuery::ReadEntries(const HeapRecord& heap, std::vector<HeapEntry>& entries) {
    if (m_reader.ReadEntries(heap, entries, m_detail)) return true;
    m_result = HeapQueryResult::Unreadable;
    return false;
}

std::string HeapQuery::FailureText(const HeapQueryTexts& texts) const {
    switch (m_result) {
    case HeapQueryResult::NoBuffer:
        return texts.noBuffer ? texts.noBuffer : "Failed to create debug buffer for heap storage";
    case HeapQueryResult::QueryFailed: return texts.queryFailed ? texts.queryFailed : HeapQueryFailedText(m_status);
    case HeapQueryResult::Unreadable: return UnreadableSnapshotText(m_detail);
    case HeapQueryResult::ProcessEnded:
    case HeapQueryResult::Read: break;
    }
    return {};
}

} // namespace corvane
