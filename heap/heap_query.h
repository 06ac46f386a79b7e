#pragma once

#include "heap/debug_buffer.h"
#include "heap/services.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvane {

// What the user reads when a heap query fails: the query tells its failure
// by the status it returns, and leaves the thread's last error as it was.
std::string HeapQueryFailedText(std::uint32_t status);
// ... and when the filled buffer cannot be read as a snapshot.
std::string UnreadableSnapshotText(const std::string& detail);

// How far a fresh query of a process's heaps got.
enum class HeapQueryResult {
    ProcessEnded, // before the query, or while a failed query ran
    NoBuffer,     // no debug-information buffer could be made
    QueryFailed,  // the service answered with a failure status
    Unreadable,   // the filled buffer does not read as a snapshot
    Read,         // the heap records are read
};

// The texts a caller words its own way; null leaves the common one.
struct HeapQueryTexts {
    const char* noBuffer = nullptr;
    // In place of the text that gives the failed query's status.
    const char* queryFailed = nullptr;
};

// Asked when the full query of a process that still runs fails: fills the
// same buffer by a query of its own and returns that query's status. What it
// fills has no entry arrays to check.
using HeapQueryRetry = std::function<std::uint32_t(Address buffer)>;

// One fresh query of a process's heaps, with every heap and entry, from the
// check that the process still runs to the heap records read out of the
// filled buffer. The buffer lives as long as the query, for the heaps'
// entries to be read out of it afterwards.
class HeapQuery {
public:
    // The process is asked whether it runs before the query, since some
    // systems answer a query of an ended process with an empty snapshot, and
    // again after a failed one, since it may end in between. With
    // `checkEntryArrays`, the heap records must point at readable entry arrays
    // (see DebugBufferReader::ReadHeaps).
    HeapQuery(DebugInfoService& service, std::uint32_t processId, bool checkEntryArrays,
              const HeapQueryRetry& retry = {});

    HeapQueryResult result() const { return m_result; }
    // The heap records, in the buffer's order; empty unless they were read.
    std::vector<HeapRecord>& heaps() { return m_heaps; }
    // Reads the entries of one heap; when they do not read, the query is
    // Unreadable from then on.
    bool ReadEntries(const HeapRecord& heap, std::vector<HeapEntry>& entries);
    // What the user reads about a query that failed (neither Read nor
    // ProcessEnded).
    std::string FailureText(const HeapQueryTexts& texts = {}) const;

private:
    HeapQueryResult m_result = HeapQueryResult::ProcessEnded;
    DebugBuffer m_buffer;
    DebugBufferReader m_reader;
    std::uint32_t m_status = 0;
    std::string m_detail;
    std::vector<HeapRecord> m_heaps;
};

} // namespace corvane
