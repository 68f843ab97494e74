#include "platform/ui/MetafilePicture.h"

#include "platform/base/Exception.h"
#include "platform/fs/OpenRegularFile.h"
#include "platform/ui/MetafilePlayer.h"
#include "platform/ui/PictureRegistry.h"

#include <QGuiApplication>
#include <QPalette>
#include <QSvgRenderer>
#include <QXmlStreamReader>

namespace platform {
namespace {

// Metafiles this size are rare; one larger is refused before it is read.
constexpr std::int64_t kFileLimit = 64 * 1024 * 1024;
// Qt's renderer recurses into nested groups.
constexpr int kDepthLimit = 256;

// The libraries copy a metafile's texts into the SVG, one of them unescaped: a hostile file can
// put anything there. Qt's renderer would read files named by images and style sheets (a FIFO
// would hang it) and recurses into nested groups, so the drawing may refer to nothing outside
// itself and nest only so deep.
bool SelfContained(const QByteArray& drawing)
{
    QXmlStreamReader reader(drawing);
    // As Qt's renderer reads it: one library writes prefixes it never declares.
    reader.setNamespaceProcessing(false);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::ProcessingInstruction:
        case QXmlStreamReader::EntityReference: return false;
        case QXmlStreamReader::StartElement:
            if (++depth > kDepthLimit)
                return false;
            for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                const QStringView value = attribute.value().trimmed();
                const QStringView name = attribute.qualifiedName();
                const bool reference = name == QLatin1String("href") || name.endsWith(QLatin1String(":href"));
                if (reference && !value.startsWith(QLatin1String("data:")) && !value.startsWith(QLatin1Char('#')))
                    return false;
            }
            break;
        case QXmlStreamReader::EndElement: --depth; break;
        default: break;
        }
    }
    return !reader.hasError();
}

std::unique_ptr<Picture> ReadMetafile(const std::string& fileName, MetafileKind kind)
{
    const FileDescriptor file = OpenRegularFile(fileName);
    try {
        std::string bytes = ReadWholeFile(file.get(), kFileLimit, "the metafile");
        const MetafileLayout layout =
            kind == MetafileKind::Wmf ? CheckWmf(std::move(bytes)) : CheckEmf(std::move(bytes));
        const QByteArray drawing = QByteArray::fromStdString(PlayMetafile(kind, layout));
        if (!SelfContained(drawing))
            throw Exception("its drawing refers to files outside it");
        const QRectF area(layout.areaLeft, layout.areaTop, layout.areaWidth, layout.areaHeight);
        auto picture = std::make_unique<MetafilePicture>(drawing, QSize(layout.width, layout.height), area);
        if (const std::string oversize = OversizeReason(picture->width(), picture->height()); !oversize.empty())
            throw Exception(oversize);
        return picture;
    } catch (const Exception& error) {
        throw Exception("Cannot read picture \"" + fileName + "\": " + error.what());
    }
}

} // namespace

MetafilePicture::MetafilePicture(const QByteArray& drawing, QSize size, const QRectF& area)
    : renderer_(std::make_unique<QSvgRenderer>(drawing))
{
    if (!renderer_->isValid())
        throw Exception("its drawing cannot be rendered");
    if (!area.isEmpty())
        renderer_->setViewBox(area);
    // A metafile that states no size is as large as its drawing.
    size_ = size.isEmpty() ? renderer_->defaultSize() : size;
    if (size_.isEmpty())
        throw Exception("its frame is empty");
}

MetafilePicture::~MetafilePicture() = default;

void MetafilePicture::draw(QPainter& painter, const QRect& rect)
{
    painter.fillRect(rect, QGuiApplication::palette().color(QPalette::Window));
    renderer_->render(&painter, QRectF(rect));
}

QImage MetafilePicture::drawnOver(QColor background) const
{
    QImage image(size_, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        throw Exception("out of memory for a picture of " + std::to_string(size_.width()) + " x "
                        + std::to_string(size_.height()) + " pixels");
    image.fill(background);
    QPainter painter(&image);
    renderer_->render(&painter, QRectF(image.rect()));
    return image;
}

std::unique_ptr<Picture> ReadWmfPicture(const std::string& fileName)
{
    return ReadMetafile(fileName, MetafileKind::Wmf);
}

std::unique_ptr<Picture> ReadEmfPicture(const std::string& fileName)
{
    return ReadMetafile(fileName, MetafileKind::Emf);
}

} // namespace platform
