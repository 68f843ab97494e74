#pragma once

#include "platform/graphics/Stream.h"

class QIODevice;

namespace platform {

// A Stream over an open, random-access QIODevice (a QFile, a QBuffer) that the caller
// keeps alive, so Qt's picture sources can feed our readers.
class QIODeviceStream final : public Stream {
public:
    explicit QIODeviceStream(QIODevice& device) : device_(device) {}

    std::int64_t position() const override;
    std::int64_t size() const override;
    std::size_t read(void* buffer, std::size_t count) override;
    // Throws platform::Exception with the device's error text when not all was written.
    void write(const void* buffer, std::size_t count) override;
    void setPosition(std::int64_t position) override;

private:
    QIODevice& device_;
};

} // namespace platform
