#include "platform/graphics/QIODeviceStream.h"

#include "platform/base/Exception.h"

#include <QIODevice>

#include <algorithm>

namespace platform {

std::int64_t QIODeviceStream::position() const
{
    return device_.pos();
}

std::int64_t QIODeviceStream::size() const
{
    return device_.size();
}

std::size_t QIODeviceStream::read(void* buffer, std::size_t count)
{
    const qint64 n = device_.read(static_cast<char*>(buffer), static_cast<qint64>(count));
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void QIODeviceStream::write(const void* buffer, std::size_t count)
{
    if (device_.write(static_cast<const char*>(buffer), static_cast<qint64>(count)) != static_cast<qint64>(count))
        throw Exception("Cannot write: " + device_.errorString().toStdString());
}

void QIODeviceStream::setPosition(std::int64_t position)
{
    device_.seek(std::clamp<std::int64_t>(position, 0, size()));
}

} // namespace platform
