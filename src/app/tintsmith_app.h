#pragma once

#include "app/main_frame.h"
#include "qtplatform/qt_image_codec.h"
#include "qtplatform/qt_settings_store.h"
#include "qtplatform/qt_user_interface.h"
#include "workspace/workspace.h"

#include <QApplication>

#include <memory>
#include <string>

namespace ts {

// The application: checks the machine, finds the program folder, opens the settings, shows the main
// frame with the first drawing, and opens a drawing named on the command line after the first paint.
class CTintsmithApp {
public:
    CTintsmithApp(int& argc, char** argv);
    ~CTintsmithApp();

    // The start-up sequence; false ends the process.
    bool InitInstance();
    int Run() { return QApplication::exec(); }

    // The desktop's work area must be larger than 800 x 600.
    static bool WorkAreaIsUsable(int width, int height) { return width > 800 && height > 600; }
    static bool CpuHasSse();
    // What the first refresh does with the command-line file: the message to show first (may be
    // empty) and whether it is opened as a drawing or imported as an image.
    enum class Launch { kNothing, kRefused, kOpenDrawing, kImportImage };
    static Launch LaunchKind(const std::string& fileName);

    bool TempCopyPresent() const { return m_tempCopyPresent; }

private:
    void HandleCommandLineFile();

    QApplication m_app;
    QtUserInterface m_ui;
    QtSettingsStore m_settings;
    QtImageCodec m_codec;
    std::unique_ptr<Workspace> m_workspace;
    std::unique_ptr<CMainFrame> m_frame;
    std::string m_commandLineFile;
    bool m_tempCopyPresent = false;
};

} // namespace ts
