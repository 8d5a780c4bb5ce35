// tintsmith: the desktop program.
#include "app/tintsmith_app.h"

int main(int argc, char** argv) {
    ts::CTintsmithApp app(argc, argv);
    if (!app.InitInstance()) {
        return 1;
    }
    return app.Run();
}
