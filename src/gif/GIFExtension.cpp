#include "gif/GIFExtension.h"

#include "gif/GIFApplicationExtension.h"
#include "gif/GIFException.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFImage.h"
#include "gif/GIFStreamOps.h"
#include "gif/GIFStrings.h"
#include "gif/GIFTextExtension.h"

#include <algorithm>
#include <vector>

namespace {

struct Registration {
    std::uint8_t label;
    TGIFExtensionFactory factory;
};

// Application extensions are told apart by their identifier, so their row holds no
// class of its own: the lookup goes one level further instead.
std::vector<Registration>& Registry()
{
    static std::vector<Registration> registry{
        {TGIFTextExtension::Label, MakeExtension<TGIFTextExtension>},
        {TGIFGraphicControlExtension::Label, MakeExtension<TGIFGraphicControlExtension>},
        {TGIFCommentExtension::Label, MakeExtension<TGIFCommentExtension>},
        {TGIFApplicationExtension::Label, nullptr},
    };
    return registry;
}

} // namespace

TGIFExtension::TGIFExtension(TGIFSubImage* subImage)
    : TGIFItem(subImage ? subImage->Image : nullptr), SubImage(subImage)
{
}

void TGIFExtension::LoadFromStream(platform::Stream& stream)
{
    std::uint8_t head[2];
    ReadExactly(stream, head, sizeof head);
    if (head[0] != '!')
        RaiseGIFError(gifstrings::sBadExtensionLabel);
    if (head[1] != GetExtensionType())
        RaiseGIFError(gifstrings::sBadExtensionInstance);
    ReadBody(stream);
}

void TGIFExtension::SaveToStream(platform::Stream& stream)
{
    const std::uint8_t head[2] = {'!', GetExtensionType()};
    stream.write(head, sizeof head);
    WriteBody(stream);
}

TGIFExtensionFactory TGIFExtension::FindExtension(platform::Stream& stream)
{
    const std::int64_t start = stream.position();
    const int label = ReadOneByte(stream);
    TGIFExtensionFactory found;
    if (label >= 0) {
        const auto& registry = Registry();
        const auto row = std::find_if(registry.rbegin(), registry.rend(),
                                      [&](const Registration& r) { return r.label == label; });
        if (row == registry.rend())
            found = [label](TGIFSubImage* subImage) {
                return std::make_unique<TGIFUnknownExtension>(subImage, static_cast<std::uint8_t>(label));
            };
        else if (row->factory)
            found = row->factory;
        else
            found = TGIFApplicationExtension::FindSubExtension(stream);
    }
    stream.setPosition(start);
    return found;
}

void TGIFExtension::RegisterExtension(std::uint8_t label, TGIFExtensionFactory factory)
{
    Registry().push_back({label, std::move(factory)});
}

void TGIFExtensionList::LoadFromStream(platform::Stream& stream, TGIFSubImage* parent)
{
    int byte = ReadOneByte(stream);
    while (byte >= 0 && byte != ',' && byte != ';') {
        // Some writers pad between an extension and its image descriptor; skipping the
        // zeros keeps the extension with its frame.
        if (byte != 0) {
            if (byte != '!') {
                Warning(gsWarning, gifstrings::sBadExtensionLabel);
                stream.seek(-1);
                return;
            }
            const TGIFExtensionFactory factory = TGIFExtension::FindExtension(stream);
            if (!factory)
                RaiseGIFError(gifstrings::sOutOfData);
            stream.seek(-1);
            if (Image)
                Image->CountLoadedExtension();
            std::unique_ptr<TGIFExtension> extension = factory(parent);
            extension->LoadFromStream(stream);
            Add(std::move(extension));
        }
        byte = ReadOneByte(stream);
    }
    if (byte >= 0)
        stream.seek(-1);
}

void TGIFExtensionList::SaveToStream(platform::Stream& stream) const
{
    for (const auto& extension : *this)
        extension->SaveToStream(stream);
}
