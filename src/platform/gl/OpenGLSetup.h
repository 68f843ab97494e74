#pragma once

namespace platform {

// Must run before the application object exists: every OpenGL view of the program gets a
// compatibility-profile context, and all of them share textures and display lists.
void PrepareOpenGLBeforeApplication();

} // namespace platform
