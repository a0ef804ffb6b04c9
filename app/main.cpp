#include "app/config_app.h"
#include "platform/entry.h"
#include "platform/system.h"

int tw::programMain() {
    ConfigApp app;
    return app.initInstance(platform::commandLineTail());
}
