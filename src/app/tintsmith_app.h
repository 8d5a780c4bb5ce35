#pragma once

#include "app/main_frame.h"
#include "qtplatform/qt_font_service.h"
#include "qtplatform/qt_image_codec.h"
#include "qtplatform/qt_printer.h"
#include "qtplatform/qt_settings_store.h"
#include "qtplatform/qt_user_interface.h"
#include "qtplatform/sane_scanner.h"
#include "workspace/workspace.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <string>

namespace ts {

// The application: checks the machine, finds the program folder, opens the settings, shows the main
// frame with the first drawing, and opens a drawing named on the command line at the view's first
// paint. The QApplication is made before it and outlives it.
class CTintsmithApp {
public:
    // The command-line arguments as QApplication::arguments() gives them: the program, then the file.
    explicit CTintsmithApp(const QStringList& arguments);
    ~CTintsmithApp();
    CTintsmithApp(const CTintsmithApp&) = delete;
    CTintsmithApp& operator=(const CTintsmithApp&) = delete;

    // The start-up sequence; false ends the process.
    bool InitInstance();

    // The desktop's work area must be larger than 800 x 600.
    static bool WorkAreaIsUsable(int width, int height) { return width > 800 && height > 600; }
    static bool CpuHasSse();
    // What the first refresh does with the command-line file: the message to show first (may be
    // empty) and whether it is opened as a drawing or imported as an image.
    enum class Launch { kNothing, kRefused, kOpenDrawing, kImportImage };
    static Launch LaunchKind(const std::string& fileName);

    bool TempCopyPresent() const { return m_tempCopyPresent; }
    // Set at the end of a successful start-up; the command-line file waits for both.
    bool Ready() const { return m_ready; }
    bool LaunchPending() const { return m_launchPending; }
    Workspace* GetWorkspace() { return m_workspace.get(); }
    CMainFrame* Frame() { return m_frame.get(); }

private:
    class FirstPaint;
    // Run once, right after the view's first paint once start-up is done.
    void HandleCommandLineFile();

    QtUserInterface m_ui;
    QtSettingsStore m_settings;
    QtImageCodec m_codec;
    QtPrinter m_printer;
    QtFontService m_fonts;
    SaneScanner m_scanner{&m_ui};
    std::unique_ptr<Workspace> m_workspace;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<FirstPaint> m_firstPaint;
    std::string m_commandLineFile;
    // The print requests: "--print FILE" and "--print-to FILE PRINTER" open the drawing, print it
    // without the dialog and close the program.
    bool m_printRequest = false;
    std::string m_printerName;
    bool PrintRequested();
    bool m_tempCopyPresent = false;
    bool m_ready = false;
    bool m_launchPending = false;
};

} // namespace ts
