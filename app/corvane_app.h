#pragma once

// The application object: runs the main dialog modally for the whole run.

#include "framework/app.h"
#include "ui/platform.h"

namespace corvane {

class CCorvaneApp : public CWinApp {
public:
    // platform: not owned; lives as long as the application.
    explicit CCorvaneApp(CorvanePlatform& platform) : m_platform(platform) {}
    BOOL InitInstance() override;

private:
    CorvanePlatform& m_platform;
};

} // namespace corvane
