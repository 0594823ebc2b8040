#include "ui/ProgramResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares the generated function where it is used, so it must stand outside any
// namespace.
static void InitResourcesOfLibrary() {
    Q_INIT_RESOURCE(resources);
}

namespace kolvane::ui {

void LoadProgramResources() {
    static const bool loaded = (InitResourcesOfLibrary(), true);
    static_cast<void>(loaded);
}

} // namespace kolvane::ui
