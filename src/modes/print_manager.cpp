#include "modes/print_manager.h"

#include "model/page.h"
#include "print/postcards.h"

#include <algorithm>

namespace ts {

namespace {

constexpr Rect kPrintRect{140, 37, 200, 57};
constexpr Rect kPrintFitRect{205, 37, 275, 57};
constexpr Rect kFullPageRect{285, 37, 395, 57};
constexpr Rect kPrintableRect{400, 37, 535, 57};
constexpr Rect kMarginRect{545, 37, 645, 57};
constexpr const char* kFileCopyName = "PrintFileCopy.bmp";

bool Differ(int32_t aw, int32_t ah, int32_t bw, int32_t bh) {
    return (aw > ah && bw < bh) || (aw < ah && bw > bh);
}

} // namespace

PrintManager::PrintManager(ImageStackManager& stack, Compositor& compositor, ViewManager& view,
                           UserInterface& ui, ProfileManager& profile, DrawingDocument& document,
                           RefreshRequests& refresh, OverlayPainter& painter)
    : EnvEffect(Env::kPrintId), m_stack(stack), m_ui(ui), m_profile(profile), m_document(document),
      m_refresh(refresh), m_painter(painter), m_job(compositor, stack, ui), m_preview(view, stack) {}

void PrintManager::CreatePanel() {
    ControlPanel& panel = MutablePanel();
    panel.Add<CHuecraftButton>(PanelParent(), kPrintRect, "Print", kPrintButton, this);
    panel.Add<CHuecraftButton>(PanelParent(), kPrintFitRect, "Print Fit", kPrintFitButton, this);
    panel.Add<CheckBox>(PanelParent(), kFullPageRect, "Fit Full Page", kFitFullPage, this);
    panel.Add<CheckBox>(PanelParent(), kPrintableRect, "Fit Printable Area", kFitPrintable, this);
    EditBox& margin = panel.Add<EditBox>(PanelParent(), kMarginRect, "Margin", kMarginEdit, this);
    margin.SetAllowedCharacters(EditBox::kDecimalCharacters);
    margin.SetText(m_margin);
    SetFitFullPage(m_fitFullPage);
}

bool PrintManager::Activate() {
    m_info.Load(m_profile);
    ShowPanel();
    m_document.SavePrintCopy();
    UpdatePreview();
    m_painter.Show(m_preview);
    return true;
}

bool PrintManager::Deactivate(int32_t /*how*/) {
    m_painter.Hide(m_preview);
    HidePanel();
    m_document.RestorePrintCopy();
    return true;
}

bool PrintManager::OnPanelCommand(int32_t id) {
    switch (id) {
    case kPrintButton:
        Print(false);
        return true;
    case kPrintFitButton:
        Print(true);
        return true;
    case kFitFullPage:
        SetFitFullPage(true);
        UpdatePreview();
        return true;
    case kFitPrintable:
        SetFitFullPage(false);
        UpdatePreview();
        return true;
    case kMarginEdit:
        if (const auto* edit = dynamic_cast<const EditBox*>(Panel().Find(kMarginEdit))) {
            m_margin = edit->GetText();
        }
        UpdatePreview();
        return true;
    default:
        return false;
    }
}

void PrintManager::SetFitFullPage(bool fullPage) {
    m_fitFullPage = fullPage;
    if (auto* full = dynamic_cast<CheckBox*>(Panel().Find(kFitFullPage))) {
        full->SetCheck(fullPage);
    }
    if (auto* printable = dynamic_cast<CheckBox*>(Panel().Find(kFitPrintable))) {
        printable->SetCheck(!fullPage);
    }
}

void PrintManager::SetMarginText(const std::string& inches) {
    m_margin = inches;
    if (auto* edit = dynamic_cast<EditBox*>(Panel().Find(kMarginEdit))) {
        edit->SetText(inches);
    }
}

std::string PrintManager::MarginText() const {
    return m_margin;
}

void PrintManager::FocusMargin() {
    if (focusControl) {
        focusControl(kMarginEdit);
    }
}

PrintPlan PrintManager::Plan(const PrinterDescription& sheet, bool fit, bool showMessages) {
    PrintPlan plan;
    plan.sheet = sheet;
    const int32_t pageWidth = m_stack.DrawingWidth() * Page::kPagePixelsPerDrawingPixel;
    const int32_t pageHeight = m_stack.DrawingHeight() * Page::kPagePixelsPerDrawingPixel;
    PrintJobSettings& job = plan.job;
    job.landscape = sheet.physicalWidth > sheet.physicalHeight;
    if (m_profile.Get(kFileCopySetting) != 0) {
        job.fileCopy = m_document.TemporaryPath(kFileCopyName);
    }
    if (!fit) {
        job.turned = Differ(sheet.printableWidth, sheet.printableHeight, pageWidth, pageHeight);
        return plan;
    }
    bool tooLarge = false;
    plan.marginDots = MarginDots(m_margin, sheet, sheet.printableWidth, sheet.printableHeight, tooLarge);
    if (tooLarge && showMessages) {
        m_ui.ShowMessage(print_text::kMarginTooLarge);
        SetMarginText("0");
    }
    PrintFit& f = plan.fit;
    f.areaWidth = (m_fitFullPage ? sheet.physicalWidth : sheet.printableWidth) - 2 * plan.marginDots;
    f.areaHeight = (m_fitFullPage ? sheet.physicalHeight : sheet.printableHeight) - 2 * plan.marginDots;
    f.pageWidth = pageWidth;
    f.pageHeight = pageHeight;
    if (f.Compute()) {
        job.scaleX = job.scaleY = f.scale;
        job.reduction = f.reduction;
        job.turned = f.turned;
    }
    return plan;
}

bool PrintManager::RunJob(bool fit) {
    const PrinterDescription sheet = m_printer->Description();
    if (!sheet.toFile) {
        m_info.Store(m_profile, sheet);
    }
    const PrintPlan plan = Plan(sheet, fit, true);
    m_preview.SetPlan(plan);
    m_lastResult = m_job.Print(*m_printer, plan.job);
    // The view shows the drawing at its own scale again.
    m_refresh.MarkViewportSize();
    m_refresh.Refresh(kDoneReason);
    return m_lastResult == PrintResult::kPrinted;
}

bool PrintManager::Print(bool fit) {
    // A PDF without a sheet of its own gets the page's.
    return PrintOn(fit,
                   double(m_stack.DrawingWidth()) * Page::kPagePixelsPerDrawingPixel / Page::kDotsPerInch,
                   double(m_stack.DrawingHeight()) * Page::kPagePixelsPerDrawingPixel / Page::kDotsPerInch);
}

bool PrintManager::PrintPostcardFront() {
    return PrintOn(true, postcards::kCardWidthInches, postcards::kCardHeightInches);
}

bool PrintManager::PrintOn(bool fit, double fileWidthInches, double fileHeightInches) {
    if (!m_printer || m_stack.Count() <= ImageStackManager::kFirstDrawingLayer) {
        return false;
    }
    m_printer->SetDefaultFilePaper(fileWidthInches, fileHeightInches, Page::kDotsPerInch);
    if (PrintSetup::Run(*m_printer, m_ui, false, 0, 0) != SetupResult::kReady) {
        return false;
    }
    return RunJob(fit);
}

bool PrintManager::PrintWithoutDialog() {
    if (!m_printer || m_stack.Count() <= ImageStackManager::kFirstDrawingLayer) {
        return false;
    }
    const bool landscape = m_stack.DrawingWidth() > m_stack.DrawingHeight();
    if (!m_printer->SetupDefault(landscape ? PaperOrientation::kLandscape : PaperOrientation::kPortrait)) {
        return false;
    }
    const PrinterDescription sheet = m_printer->Description();
    if (IsLargeLandscape(sheet)) {
        m_ui.ShowMessage(print_text::kLargeLandscapeSetup);
        return false;
    }
    return RunJob(true);
}

bool PrintManager::PrintTracedLayer() {
    if (!m_printer) {
        return false;
    }
    m_info.Load(m_profile);
    const double dpi = m_info.PageResolution();
    const double width = m_stack.DrawingWidth() * Page::kPagePixelsPerDrawingPixel / dpi;
    const double height = m_stack.DrawingHeight() * Page::kPagePixelsPerDrawingPixel / dpi;
    if (PrintSetup::Run(*m_printer, m_ui, true, width, height) != SetupResult::kReady) {
        return false;
    }
    return RunJob(false);
}

void PrintManager::UpdatePreview() {
    m_preview.SetPlan(Plan(m_info.Description(), true, false));
}

} // namespace ts
