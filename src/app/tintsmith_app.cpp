#include "app/tintsmith_app.h"

#include "model/board_textures.h"
#include "ui/color_picker.h"
#include "ui/entry_dialog.h"
#include "ui/preferences_dialog.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace ts {

// Watches the view for its first paint after start-up and then hands the command-line file over. The
// file is dealt with once that paint is done (a queued call), so the window shows before any message
// of the open and the open's own refresh repaints the view with the drawing.
class CTintsmithApp::FirstPaint final : public QObject {
public:
    explicit FirstPaint(CTintsmithApp& app) : m_app(app) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_app.m_ready && m_app.m_launchPending) {
            m_app.m_launchPending = false;
            watched->removeEventFilter(this);
            QTimer::singleShot(0, watched, [this] { m_app.HandleCommandLineFile(); });
        }
        return false;
    }

private:
    CTintsmithApp& m_app;
};

CTintsmithApp::CTintsmithApp(const QStringList& arguments) {
    QApplication::setOrganizationName("Huecraft Software");
    QApplication::setApplicationName("Tintsmith");
    // The desktop entry an installed program is started from, for the desktop's window icon and name.
    QGuiApplication::setDesktopFileName("com.huecraft.Tintsmith");
    // Whoever asks the user for a colour gets the program's own picker.
    m_ui.SetColorPickerOpener(&CColorPicker::Choose);
    m_ui.SetEntryDialogOpener(&CEntryDialog::Show);
    m_ui.SetPreferencesOpener(&CPreferencesDialog::Show);
    if (arguments.size() >= 3 && arguments.at(1) == QLatin1String("--print")) {
        m_printRequest = true;
        m_commandLineFile = arguments.at(2).toStdString();
    } else if (arguments.size() >= 4 && arguments.at(1) == QLatin1String("--print-to")) {
        m_printRequest = true;
        m_commandLineFile = arguments.at(2).toStdString();
        m_printerName = arguments.at(3).toStdString();
    } else if (arguments.size() >= 2) {
        m_commandLineFile = arguments.at(1).toStdString();
    }
}

bool CTintsmithApp::PrintRequested() {
    m_launchPending = false;
    const std::string file = m_commandLineFile;
    m_commandLineFile.clear();
    if (!m_workspace->drawingDocument.OpenDrawing(file, false)) {
        return false;
    }
    m_printer.SetPrinterName(m_printerName);
    const bool printed = m_workspace->printManager.PrintWithoutDialog();
    if (!printed && m_workspace->printManager.LastResult() != PrintResult::kCancelled) {
        std::fprintf(stderr, "tintsmith: %s was not printed\n", file.c_str());
    }
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    return true;
}

CTintsmithApp::~CTintsmithApp() {
    m_frame.reset();
    m_workspace.reset();
}

bool CTintsmithApp::CpuHasSse() {
#if defined(__x86_64__) || defined(__i386__)
    return __builtin_cpu_supports("sse");
#else
    return true;
#endif
}

CTintsmithApp::Launch CTintsmithApp::LaunchKind(const std::string& fileName) {
    if (fileName.empty()) {
        return Launch::kNothing;
    }
    if (fileName.find(".png") == std::string::npos) {
        return Launch::kRefused;
    }
    return fileName.find(".ts.png") != std::string::npos ? Launch::kOpenDrawing : Launch::kImportImage;
}

bool CTintsmithApp::InitInstance() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    if (!WorkAreaIsUsable(area.width(), area.height())) {
        m_ui.MessageBox(
            "Tintsmith requires you to run at a resolution of '1024 x 768' or greater. Please adjust "
            "your display settings and restart Tintsmith.",
            "Invalid Display Setting", MessageIcon::Error, MessageButtons::Ok);
        return false;
    }
    if (!CpuHasSse()) {
        m_ui.ShowMessage("Sorry, Tintsmith requires a newer cpu.");
        return false;
    }
    // Installed, the data lies in <prefix>/share/tintsmith/ and is never written to.
    const ProfileManager::Location location =
        ProfileManager::LocateProgramFolder(QApplication::applicationDirPath().toStdString() + "/");
    const std::string& folder = location.folder;
    m_workspace = std::make_unique<Workspace>(m_ui, m_settings, m_codec, folder);
    m_workspace->profile.SetProgramFolderReadOnly(location.installed);
    m_workspace->printManager.SetPrinter(&m_printer);
    m_workspace->SetFontService(m_fonts);
    m_workspace->scanner = &m_scanner;

    // The main frame first: the messages of everything read below belong to its window.
    m_frame = std::make_unique<CMainFrame>(*m_workspace, m_ui);
    m_frame->resize(area.size() * 9 / 10);
    m_frame->showMaximized();

    // Without the plain board the program has nothing to show a drawing on.
    Image24 none;
    if (!m_codec.Load(folder + kBoardFolder + "None.jpg", none)) {
        std::fprintf(stderr, "tintsmith: %s%sNone.jpg is missing\n", folder.c_str(), kBoardFolder);
        return false;
    }
    // The dialogs' folders and the recent lists.
    m_workspace->profile.LoadFolders();
    if (!m_workspace->profile.LoadRecentLists()) {
        return false;
    }
    m_workspace->LoadGrain(); // a missing grain is reported and the program goes on without it
    // The user's own listings sit below the user's data folder, beside the program's.
    m_workspace->toolListings.Load(folder, m_ui, ProfileManager::UserDataFolder());
    m_workspace->pencilManager.Build();
    m_workspace->StartPalettes();
    m_ready = true;
    m_launchPending = true;
    m_firstPaint = std::make_unique<FirstPaint>(*this);
    m_frame->View()->installEventFilter(m_firstPaint.get());
    if (!m_workspace->layerOperations.NewDrawing()) {
        return false;
    }
    m_workspace->MarkSaved();
    m_workspace->FitDrawingInView(m_frame->View()->width(), m_frame->View()->height());
    m_frame->UpdateIndicators();
    m_frame->View()->update();
    m_tempCopyPresent = QFileInfo::exists(
        QString::fromStdString(m_workspace->profile.WritableFolder("Temp/") + "temp.ts.png"));
    m_workspace->drawingDocument.DetectTemporaryCopy();
    m_printer.SetParent(m_frame.get());
    m_scanner.SetParent(m_frame.get());
    if (m_printRequest && !PrintRequested()) {
        return false;
    }
    for (const char* handles : {"res/resize_han_rgb.bmp", "res/crop_han_rgb.bmp"}) {
        Image24 picture;
        if (!m_codec.Load(folder + handles, picture)) {
            return false;
        }
    }
    return true;
}

void CTintsmithApp::HandleCommandLineFile() {
    bool opened = false;
    switch (LaunchKind(m_commandLineFile)) {
    case Launch::kNothing:
        return;
    case Launch::kRefused:
        m_ui.ShowMessage("You can only launch with files of type .png or .ts.png");
        return;
    case Launch::kOpenDrawing:
        m_ui.ShowMessage("RudaV");
        opened = m_frame->OpenFile(m_commandLineFile);
        break;
    case Launch::kImportImage:
        // A plain PNG is a CAD print: its lines become the drawing's "CAD Layer".
        opened = m_frame->ImportCadFile(m_commandLineFile);
        break;
    }
    if (opened) {
        // The opened drawing is shown whole, as the first drawing was.
        CTintsmithView* view = m_frame->View();
        m_workspace->FitDrawingInView(view->width(), view->height());
        m_workspace->refresh.Refresh("On File Load");
        m_frame->UpdateIndicators();
        view->update();
    }
}

} // namespace ts
