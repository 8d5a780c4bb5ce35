// Printing: the print mode, its commands and the postcards.

#include "print/postcards.h"
#include "workspace/workspace.h"

namespace ts {

void Workspace::BuildPrinting() {
    printManager.SetPrinter(&headlessPrinter);
    printManager.Info().Load(profile);
    overlayPainter.Add(printManager.Preview());
    // The print commands need a mode that lets the view commands through and a layer to print.
    auto printable = [this] {
        return environmentManager.EnablesViewCommands() &&
               imageStack.Count() > ImageStackManager::kFirstDrawingLayer;
    };
    auto on = [this](int32_t id, std::function<void()> run, std::function<bool()> enabled) {
        if (Command* c = commands.Find(id)) {
            c->run = std::move(run);
            c->enabled = std::move(enabled);
        }
    };
    on(
        cmd::kPrintManager,
        [this] { environmentManager.EnterMode(&printManager, PrintManager::kTitle, PrintManager::kPrompt); },
        printable);
    on(
        cmd::kMargins,
        [this] {
            environmentManager.EnterMode(&printManager, PrintManager::kTitle, PrintManager::kPrompt);
            printManager.FocusMargin();
        },
        [this, printable] { return environmentManager.Current() == &printManager || printable(); });

    on(
        cmd::kPostcardFront, [this] { printManager.PrintPostcardFront(); }, printable);
    on(
        cmd::kPostcardBack,
        [this] {
            if (Printer* printer = printManager.GetPrinter()) {
                PrintPostcardBack(*printer, ui, profile, postcardAddresses.ListPath());
            }
        },
        nullptr);
    on(
        cmd::kPostcardAddress,
        [this] {
            environmentManager.EnterMode(&postcardAddresses, PostCardAddresses::kTitle,
                                         PostCardAddresses::kPrompt);
        },
        nullptr);
    on(
        cmd::kPostcardNextAddress, [this] { postcardAddresses.DisplayNextAddress(); }, nullptr);
    on(
        cmd::kPostcardResetIndex, [this] { postcardAddresses.ResetAddressIndex(); }, nullptr);
}

} // namespace ts
