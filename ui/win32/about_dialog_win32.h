#pragma once

// The About box: product title, a few lines, pictures and a link to the
// product's page, on a shaded background.

#include "controls/win32/link_label_win32.h"
#include "framework/gdi_win32.h"
#include "ui/win32/shaded_dialog_win32.h"

namespace corvane {

// The product's web page; the main dialog's web link leads there too.
extern const char* const kProductPageUrl;
extern const char* const kLatestVersionTip;

class CAboutDlg : public CShadedDialog {
public:
    CAboutDlg();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnDestroy();
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType);
    bool IsTransparentLabel(int controlId) const override;

    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

private:
    CFont m_fontTitle;
    CLinkLabel m_linkWeb;
};

} // namespace corvane
