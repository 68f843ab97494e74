#pragma once

class QOpenGLContext;
class QSurface;

namespace platform {

// Makes the program's shared resource context current for the scope's life, so textures and
// display lists can be made at any time, whatever view is on screen; whatever context and
// surface were current before are current again afterwards. The context shares with every
// panel (they all share with the application's global context), so names made here are
// valid in all of them. Throws platform::Exception when no such context can be made.
class ResourceContextScope {
public:
    ResourceContextScope();
    ~ResourceContextScope();
    ResourceContextScope(const ResourceContextScope&) = delete;
    ResourceContextScope& operator=(const ResourceContextScope&) = delete;

private:
    QOpenGLContext* previousContext_;
    QSurface* previousSurface_;
};

} // namespace platform
