#pragma once

// The tools that follow references between blocks: going to an address,
// the pointers a block holds, what points into a block, and the leaks.

#include "heap/references.h"
#include "ui/heap_references.h"
#include "ui/win32/tool_dialogs_win32.h"

#include <memory>
#include <string>
#include <vector>

namespace corvane {

// What reading a whole process takes: its memory opened for reading, a
// fresh snapshot of its heaps and its memory map, which say where each value
// read lies.
struct ProcessParts {
    std::unique_ptr<TargetMemory> memory;
    HeapSnapshot snapshot;
    ProcessMemoryMap map;
};

// Asks for an address; the main window finds the block that holds it.
class CGoToAddressDlg : public CToolWindow {
public:
    explicit CGoToAddressDlg(AddressWidth width);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool IsTransparentLabel(int controlId) const override;

private:
    AddressWidth m_width;
    CEdit m_edit;
    CShadedButton m_goButton;
    CShadedButton m_cancelButton;
};

// The values of one block that point into busy blocks.
class CPointersDlg : public CToolDialog {
public:
    CPointersDlg(std::vector<PointerRow> rows, std::string summary, AddressWidth width);

protected:
    TableRows& Rows() override { return m_rows; }
    void OnRowChosen(int row) override;
    void LayOutList() override;
    const char* ExportName() const override { return "Pointers"; }

private:
    RowList<PointerRow, PointerRowTexts, &FormatPointerRow> m_rows;
};

// What a process holds, in all its committed readable memory, that points
// into one block. The search starts when the dialog opens.
class CWhoPointsHereDlg : public CSteppedToolDialog {
public:
    // Owns the process's parts; the block is the one searched for.
    CWhoPointsHereDlg(ProcessParts process, Address block, std::uint64_t size);

protected:
    BOOL OnInitDialog() override;
    TableRows& Rows() override { return m_rows; }
    void OnRowChosen(int row) override;
    void LayOutList() override;
    const char* ExportName() const override { return "Referrers"; }
    bool StepOnce() override;
    void ShowProgress(SearchState state) override;

private:
    ProcessParts m_process;
    BlockIndex m_index;
    AddressPlaces m_places;
    ReferrerSearch m_search;
    std::string m_blockLine;
    RowList<ReferrerRow, ReferrerRowTexts, &FormatReferrerRow> m_rows;
};

// The busy blocks of every heap that nothing in the process reaches. The
// search starts when the dialog opens.
class CLeaksDlg : public CSteppedToolDialog {
public:
    // Owns the process's parts.
    explicit CLeaksDlg(ProcessParts process);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    TableRows& Rows() override { return m_rows; }
    void OnRowChosen(int row) override;
    void LayOutList() override;
    const char* ExportName() const override { return "Leaks"; }
    bool StepOnce() override;
    void ShowProgress(SearchState state) override;

private:
    ProcessParts m_process;
    LeakSearch m_search;
    RowList<LeakRow, LeakRowTexts, &FormatLeakRow> m_rows;
    CStatic m_note;
};

} // namespace corvane
