#pragma once

#include "document/drawing_document.h"
#include "document/layer_operations.h"
#include "interact/controls.h"
#include "interact/env.h"
#include "interact/overlays.h"
#include "model/image_stack_manager.h"
#include "platform/printer.h"
#include "platform/profile_manager.h"
#include "platform/user_interface.h"
#include "print/print_fit.h"
#include "print/print_job.h"
#include "print/printer_info.h"
#include "render/compositor.h"
#include "render/refresh_requests.h"
#include "render/view_manager.h"

#include <cstdint>
#include <functional>
#include <string>

namespace ts {

// Where the drawing goes on the sheet, as the preview shows it and the job prints it.
struct PrintPlan {
    PrinterDescription sheet;
    PrintJobSettings job;
    PrintFit fit;
    int32_t marginDots = 0;
};

// The preview in the view's top-left corner: the sheet, its printable rectangle and the drawing placed
// and turned as it will print, drawn small over the picture while the print mode is current.
class PrintPreview final : public Overlay {
public:
    PrintPreview(const ViewManager& view, const ImageStackManager& stack) : m_view(view), m_stack(stack) {}
    void SetPlan(const PrintPlan& plan) { m_plan = plan; }
    Rect Bounds() const override;
    void Draw(Image24& display, const Rect& clip) const override;

private:
    const ViewManager& m_view;
    const ImageStackManager& m_stack;
    PrintPlan m_plan;
};

// The print mode: its preview, the "Print" and "Print Fit" buttons, the choice of fitting to the full
// page or the printable area, the margin (inches), and the print job. Entering it keeps a temporary
// copy of the drawing, read back on leaving when this run wrote it.
class PrintManager final : public EnvEffect {
public:
    static constexpr const char* kTitle = "Print Preview";
    static constexpr const char* kPrompt = "If the preview looks okay, press Print.";
    static constexpr const char* kDoneReason = "R_PrintManager";
    static constexpr int32_t kPrintButton = 101;
    static constexpr int32_t kPrintFitButton = 102;
    static constexpr int32_t kFitFullPage = 103;
    static constexpr int32_t kFitPrintable = 104;
    static constexpr int32_t kMarginEdit = 105;
    // The debugging switch that also writes the printed bands to "Temp/PrintFileCopy.bmp".
    static constexpr IntSetting kFileCopySetting{"Settings", "PrintFileCopy", 0};

    PrintManager(ImageStackManager& stack, Compositor& compositor, ViewManager& view, UserInterface& ui,
                 ProfileManager& profile, DrawingDocument& document, RefreshRequests& refresh,
                 OverlayPainter& painter);

    void SetPrinter(Printer* printer) { m_printer = printer; }
    Printer* GetPrinter() const { return m_printer; }
    PrinterInfo& Info() { return m_info; }
    PrintPreview& Preview() { return m_preview; }

    bool Activate() override;
    bool Deactivate(int32_t how) override;
    bool Commit(int32_t) override { return true; }
    bool OnPanelCommand(int32_t id) override;

    // "Print" (scale 1.0) and "Print Fit": the print dialog, then the job. False when nothing printed.
    bool Print(bool fit);
    // "Print Postcard Front": the drawing fitted to the card (a PDF takes the card's size).
    bool PrintPostcardFront();
    // The command line's print requests: the default (or named) printer without a dialog, fitted.
    bool PrintWithoutDialog();
    // The traced-layer print: the default printer, no dialog, the paper matching the page at the
    // "Resolution" setting, scale 1.0.
    bool PrintTracedLayer();
    // The margin edit takes the keyboard ("Margins").
    void FocusMargin();
    std::function<void(int32_t controlId)> focusControl;

    // The plan for a sheet: fitted (to the printable area or the whole sheet, less the margin) or at
    // scale 1.0. A margin that is too large shows the message and resets the edit to 0.
    PrintPlan Plan(const PrinterDescription& sheet, bool fit, bool showMessages);
    void SetMarginText(const std::string& inches);
    std::string MarginText() const;
    void SetFitFullPage(bool fullPage);
    bool FitFullPage() const { return m_fitFullPage; }
    PrintResult LastResult() const { return m_lastResult; }
    const PrintJob& Job() const { return m_job; }

private:
    void CreatePanel() override;
    bool RunJob(bool fit);
    bool PrintOn(bool fit, double fileWidthInches, double fileHeightInches);
    void UpdatePreview();

    ImageStackManager& m_stack;
    UserInterface& m_ui;
    ProfileManager& m_profile;
    DrawingDocument& m_document;
    RefreshRequests& m_refresh;
    OverlayPainter& m_painter;
    PrintJob m_job;
    PrintPreview m_preview;
    PrinterInfo m_info;
    Printer* m_printer = nullptr;
    bool m_fitFullPage = false;
    std::string m_margin = "0";
    PrintResult m_lastResult = PrintResult::kNotRaster;
};

} // namespace ts
