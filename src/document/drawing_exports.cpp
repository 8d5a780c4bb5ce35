// Flattened exports of the drawing and of one layer, layer files, and the temporary copies of the
// whole drawing in the "Temp" folder.
#include "document/drawing_document.h"

#include "files/drawing_reader.h"
#include "files/flatten.h"
#include "files/tsl_file.h"
#include "platform/profile_settings.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace ts {

namespace {

constexpr const char* kTempSaveName = "tempsave.ts.png";
constexpr const char* kPrintCopyName = "temp.ts.png";
constexpr const char* kLayerWriteFailed = "Overlay Write-to-File failed";

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

bool CJPGQualityDlg::DoModal(UserInterface& ui, ProfileManager& profile, int32_t& quality) {
    const int32_t start = std::clamp(profile.Get(settings::kJpegQuality), 1, 100);
    std::string text;
    if (!ui.EnterText("Quality (1-100):", "JPEG Quality", std::to_string(start), text)) {
        return false;
    }
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    // A slider cannot leave its range: what was typed is brought into it.
    quality = end == text.c_str() ? start : static_cast<int32_t>(std::clamp<long>(value, 1, 100));
    profile.Set(settings::kJpegQuality, quality);
    return true;
}

std::string DrawingDocument::ProposedExportName(const std::string& fileName) {
    if (fileName.empty()) {
        return "Untitled.png";
    }
    std::string name = CTslFile::FileName(fileName);
    // A drawing's ".ts.png" goes as a whole: "plan.ts.png" proposes "plan.png", never the drawing itself.
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    if (EndsWith(lower, ".ts.png")) {
        name.resize(name.size() - 7);
    } else if (const size_t dot = name.rfind('.'); dot != std::string::npos) {
        name.resize(dot);
    }
    return name + ".png";
}

bool DrawingDocument::ExportDesign() {
    m_hooks->FinishPendingWork();
    m_refresh.MarkViewContents(m_stack.DrawingRect());
    m_refresh.Refresh("R_SaveDrawing");
    FileDialogRequest request{"Export Design to Image File",
                              m_profile.DialogFolder(RecentFolder::Images),
                              ProposedExportName(m_fileName),
                              "Image File (*.jpg;*.png;*.bmp)|*.jpg;*.png;*.bmp||",
                              "png",
                              true};
    std::string path;
    if (!m_ui.ChooseSaveFile(request, path)) {
        return false;
    }
    const std::string ext = CTslFile::Extension(path);
    ImageFormat format = ImageFormat::Png;
    int32_t quality = 80;
    if (ext == ".bmp") {
        format = ImageFormat::Bmp;
    } else if (ext == ".jpg") {
        format = ImageFormat::Jpeg;
        if (!CJPGQualityDlg::DoModal(m_ui, m_profile, quality)) {
            return false;
        }
    } else if (ext != ".png") {
        m_ui.ShowMessage("File type not supported for Design Export.");
        return false;
    }
    WaitCursor wait(m_ui);
    Image24 picture;
    if (!RenderHalfSize(m_compositor, m_stack, picture) || !m_codec.Save(path, picture, format, quality)) {
        ShowFileError(m_ui, FileErrorCause::Generic, path);
        return false;
    }
    m_profile.SetFolder(RecentFolder::Images, CTslFile::DialogFolder(path));
    m_ui.ShowMessage("The exported image is 1/4 resolution.\nPrinting this image from another program will "
                     "result\nin loss of detail.");
    return true;
}

bool DrawingDocument::SaveLayerAs() {
    m_hooks->FinishPendingWork();
    FileDialogRequest request{"Save Layer to File",
                              m_profile.ObjectWriteFolder(),
                              "UntitledObject.ts.png",
                              "Tintsmith file: (*.ts.png)|*.ts.png|Portable Network Graphics (*.png)|*.png|"
                              "Jpeg Image (*.jpg)|*.jpg|Windows Bitmap (*.bmp)|*.bmp||",
                              "ts.png",
                              true};
    std::string path;
    if (!m_ui.ChooseSaveFile(request, path)) {
        return false;
    }
    static const char* const kAccepted[] = {".ts.png", ".TS.PNG", ".jpg", ".JPG",
                                            ".png",    ".PNG",    ".bmp", ".BMP"};
    if (std::none_of(std::begin(kAccepted), std::end(kAccepted),
                     [&](const char* e) { return EndsWith(path, e); })) {
        m_ui.ShowMessage("File type not supported.");
        return false;
    }
    bool written = false;
    if (path.find(".ts.png") != std::string::npos || path.find(".TS.PNG") != std::string::npos) {
        WaitCursor wait(m_ui);
        written = SaveLayerTo(path).Saved();
    } else {
        ImageFormat format = ImageFormat::Png;
        int32_t quality = 80;
        if (EndsWith(path, ".bmp") || EndsWith(path, ".BMP")) {
            format = ImageFormat::Bmp;
        } else if (EndsWith(path, ".jpg") || EndsWith(path, ".JPG")) {
            format = ImageFormat::Jpeg;
            if (!CJPGQualityDlg::DoModal(m_ui, m_profile, quality)) {
                return false;
            }
        }
        WaitCursor wait(m_ui);
        Image24 picture;
        written = m_stack.Current() >= ImageStackManager::kFirstDrawingLayer &&
                  RenderCurrentLayer(m_compositor, m_stack, CurrentLayerArea(), picture) &&
                  m_codec.Save(path, picture, format, quality);
        m_refresh.Refresh("Save ObjectImage");
    }
    if (!written) {
        m_ui.ShowMessage(kLayerWriteFailed);
        return false;
    }
    m_profile.SetObjectWritePath(CTslFile::DialogFolder(path));
    return true;
}

std::string DrawingDocument::TemporaryPath(const char* name) const {
    return m_profile.WritableFolder("Temp/") + name;
}

void DrawingDocument::DetectTemporaryCopy() {
    m_temporaryCopyPresent = FileExists(TemporaryPath(kPrintCopyName));
}

bool DrawingDocument::SaveTempCopy() {
    m_hooks->FinishPendingWork();
    WaitCursor wait(m_ui);
    m_tempExtents = m_stack.DrawingRect();
    const std::string path = TemporaryPath(kTempSaveName);
    std::error_code error;
    std::filesystem::create_directories(CTslFile::Folder(path), error);
    const SaveResult result = SaveDrawingTo(path);
    if (result.status == SaveStatus::kOpenFailed) {
        m_ui.ShowMessage("Failed to open a file for storing the temporary copy.");
        return false;
    }
    if (!result.Saved()) {
        m_ui.ShowMessage("Failed to save temporary copy.");
        return false;
    }
    m_temporaryCopyPresent = true;
    return true;
}

// Reads a temporary copy in full before anything of the open drawing changes; the file name and state
// stay, as the copy is the same drawing.
bool DrawingDocument::LoadTemporary(const std::string& path, bool keepUndo) {
    if (!FileExists(path)) {
        return false;
    }
    LoadedDrawing loaded;
    if (!ReadDrawingPng(m_ui, path, false, loaded)) {
        return false;
    }
    InstallDrawing(loaded, keepUndo ? InstallMode::kUndo : InstallMode::kDrawing);
    return true;
}

bool DrawingDocument::Restore() {
    m_hooks->FinishPendingWork();
    WaitCursor wait(m_ui);
    if (!LoadTemporary(TemporaryPath(kTempSaveName))) {
        m_ui.ShowMessage("No Temporary file has been saved yet.");
        return false;
    }
    m_refresh.Refresh("Restore");
    return true;
}

bool DrawingDocument::SavePrintCopy() {
    const std::string path = TemporaryPath(kPrintCopyName);
    std::error_code error;
    std::filesystem::create_directories(CTslFile::Folder(path), error);
    m_printCopyWritten = SaveDrawingTo(path).Saved();
    return m_printCopyWritten;
}

bool DrawingDocument::RestorePrintCopy() {
    if (!m_printCopyWritten) {
        return false;
    }
    WaitCursor wait(m_ui);
    // The copy is the drawing as it was on entering the print mode: what could be undone then still can.
    const int32_t current = m_stack.Current();
    if (!LoadTemporary(TemporaryPath(kPrintCopyName), true)) {
        return false;
    }
    if (current >= ImageStackManager::kFirstDrawingLayer && current < m_stack.Count()) {
        m_stack.SetCurrent(current);
    }
    m_printCopyWritten = false;
    m_refresh.Refresh("On File Load");
    return true;
}

} // namespace ts
