#include "app/tintsmith_app.h"

#include "ui/color_picker.h"

#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>

namespace ts {

CTintsmithApp::CTintsmithApp(int& argc, char** argv) : m_app(argc, argv) {
    QApplication::setOrganizationName("Huecraft Software");
    QApplication::setApplicationName("Tintsmith");
    // Whoever asks the user for a colour gets the program's own picker.
    m_ui.SetColorPickerOpener(&CColorPicker::Choose);
    const QStringList args = QApplication::arguments();
    if (args.size() >= 2) {
        m_commandLineFile = args.at(1).toStdString();
    }
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
    const std::string folder = QApplication::applicationDirPath().toStdString() + "/";
    m_workspace = std::make_unique<Workspace>(m_ui, m_settings, m_codec, folder);
    m_workspace->LoadGrain();
    m_workspace->profile.LoadRecentLists();
    m_workspace->toolListings.Load(folder, m_ui);
    m_workspace->pencilManager.Build();

    m_frame = std::make_unique<CMainFrame>(*m_workspace, m_ui);
    m_frame->resize(area.size() * 9 / 10);
    m_frame->showMaximized();
    m_workspace->StartPalettes();
    if (!m_workspace->layerOperations.NewDrawing()) {
        return false;
    }
    m_workspace->MarkSaved();
    m_workspace->FitDrawingInView(m_frame->View()->width(), m_frame->View()->height());
    m_frame->UpdateIndicators();
    m_tempCopyPresent = QFileInfo::exists(QString::fromStdString(folder + "Temp/temp.ts.png"));
    m_workspace->drawingDocument.DetectTemporaryCopy();
    for (const char* handles : {"res/resize_han_rgb.bmp", "res/crop_han_rgb.bmp"}) {
        Image24 picture;
        if (!m_codec.Load(folder + handles, picture)) {
            return false;
        }
    }
    // The command-line file is dealt with once the window has painted.
    QTimer::singleShot(0, m_frame.get(), [this] { HandleCommandLineFile(); });
    return true;
}

void CTintsmithApp::HandleCommandLineFile() {
    switch (LaunchKind(m_commandLineFile)) {
    case Launch::kNothing:
        break;
    case Launch::kRefused:
        m_ui.ShowMessage("You can only launch with files of type .png or .ts.png");
        break;
    case Launch::kOpenDrawing:
        m_ui.ShowMessage("RudaV");
        m_frame->OpenFile(m_commandLineFile);
        break;
    case Launch::kImportImage:
        // A plain picture becomes a CAD layer once line import exists; until then it is opened only
        // when it carries a drawing.
        m_frame->OpenFile(m_commandLineFile);
        break;
    }
}

} // namespace ts
