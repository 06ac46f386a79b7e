#pragma once

// The application object: runs the main dialog modally for the whole run.

#include "framework/app_win32.h"
#include "ui/platform.h"

#include <optional>
#include <string>
#include <utility>

namespace corvane {

class CCorvaneApp : public CWinApp {
public:
    // platform: not owned; lives as long as the application. argument: the
    // command line's text after the program's name, which names a process
    // to pick at start-up; none when the command line has nothing more.
    explicit CCorvaneApp(CorvanePlatform& platform, std::optional<std::string> argument = std::nullopt)
        : m_platform(platform), m_argument(std::move(argument)) {}
    BOOL InitInstance() override;

private:
    CorvanePlatform& m_platform;
    std::optional<std::string> m_argument;
};

} // namespace corvane
