#pragma once

namespace kolvane::ui {

// Registers the pictures compiled into the UI library. The library is static, so the linker drops
// the resource object unless something calls into it; call this before loading a ":/" picture.
// Calling it again does nothing.
void LoadProgramResources();

} // namespace kolvane::ui
