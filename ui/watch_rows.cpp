#include "ui/watch_rows.h"

#include <cmath>
#include <cstdio>

namespace corvane {

namespace {

void Copy(const std::string& text, char* to, std::size_t room) { std::snprintf(to, room, "%s", text.c_str()); }

std::string Samples(std::size_t count) { return GroupedDecimal(count) + (count == 1 ? " sample" : " samples"); }

} // namespace

std::string SignedGroupedDecimal(std::int64_t value) {
    if (value == 0) return "0";
    // The magnitude of the most negative value does not fit the signed type.
    const std::uint64_t magnitude =
        value < 0 ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
    return (value < 0 ? "-" : "+") + GroupedDecimal(magnitude);
}

void FormatWatchHeapRow(std::uint32_t, const WatchHeapRow& row, AddressWidth width, WatchHeapRowTexts& texts) {
    FormatHex(row.base, width, texts.heap);
    Copy(GroupedDecimal(row.blocksNow), texts.blocks, sizeof texts.blocks);
    Copy(GroupedDecimal(row.bytesAtStart), texts.atStart, sizeof texts.atStart);
    Copy(GroupedDecimal(row.bytesNow), texts.now, sizeof texts.now);
    Copy(SignedGroupedDecimal(row.change), texts.change, sizeof texts.change);
    // Whole bytes per second; a rate too large for the type is shown at its
    // largest rather than wrapped.
    const double rounded = std::round(row.rate);
    const double most = 9.2e18;
    const auto rate = static_cast<std::int64_t>(rounded > most ? most : rounded < -most ? -most : rounded);
    Copy(SignedGroupedDecimal(rate) + " bytes/s", texts.rate, sizeof texts.rate);
}

void FormatSizeGrowthRow(std::uint32_t, const SizeGrowthRow& row, AddressWidth width, SizeGrowthRowTexts& texts) {
    FormatSizeText(row.size, width, texts.size);
    Copy("+" + GroupedDecimal(row.countChange), texts.count, sizeof texts.count);
    Copy("+" + GroupedDecimal(row.bytesChange), texts.bytes, sizeof texts.bytes);
}

std::string WatchStatusText(const WatchStatus& status) {
    std::string text;
    switch (status.state) {
    case WatchState::Running:
        text = "Watching process " + std::to_string(status.processId) + ": " + Samples(status.samples) +
               ", one every " + status.interval + ".";
        break;
    case WatchState::Paused: text = "Paused after " + Samples(status.samples) + "."; break;
    case WatchState::ProcessEnded:
        text = "Process " + std::to_string(status.processId) + " has ended: the watch stopped after " +
               Samples(status.samples) + ".";
        break;
    }
    if (status.brokenSamples != 0)
        text += " " + Samples(status.brokenSamples) + (status.brokenSamples == 1 ? " was" : " were") +
                " broken (a heap changed while it was read) and left as gaps.";
    return text;
}

} // namespace corvane
