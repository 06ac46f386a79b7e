#pragma once

// The About box: product title, a few lines, pictures and a link to the
// product's page, on a shaded background.

#include "controls/dib.h"
#include "controls/link_label.h"
#include "framework/dialog.h"
#include "framework/gdi.h"

namespace corvane {

// The product's web page; the main dialog's web link leads there too.
extern const char* const kProductPageUrl;
extern const char* const kLatestVersionTip;

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnPaint();
    void OnDestroy();
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType);

    static const MessageMap* ThisMessageMap();
    const MessageMap* GetMessageMap() const override { return ThisMessageMap(); }

private:
    CFont m_fontTitle;
    CDib m_dibBackground;
    CLinkLabel m_linkWeb;
};

} // namespace corvane
