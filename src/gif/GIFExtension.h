#pragma once

#include "gif/GIFItem.h"
#include "gif/GIFList.h"

#include <cstdint>
#include <functional>
#include <memory>

class TGIFExtension;
class TGIFSubImage;

using TGIFExtensionFactory = std::function<std::unique_ptr<TGIFExtension>(TGIFSubImage*)>;

enum TDisposalMethod { dmNone, dmNoDisposal, dmBackground, dmPrevious };

// One extension block ('!', a label, data sub-blocks). It belongs to the frame whose
// image descriptor follows it.
class TGIFExtension : public TGIFItem {
public:
    explicit TGIFExtension(TGIFSubImage* subImage);

    virtual std::uint8_t GetExtensionType() const = 0;
    TGIFVersion GetVersion() const override { return gv89a; }
    // Reads '!' and the label, checks them, then the extension's own data.
    void LoadFromStream(platform::Stream& stream) final;
    // Writes '!' and the label, then the extension's own data.
    void SaveToStream(platform::Stream& stream) final;

    // Chooses the class for the extension whose label follows in the stream (positioned
    // after '!'): by its label and, for application extensions, by their identifier. A
    // label no class is registered for gets the generic unknown extension, which keeps its
    // data. The position is put back. No class only when not even the label can be read.
    static TGIFExtensionFactory FindExtension(platform::Stream& stream);
    // A later registration of a label wins. Register before loading starts: the registry
    // is not locked.
    static void RegisterExtension(std::uint8_t label, TGIFExtensionFactory factory);

    TGIFSubImage* SubImage;

protected:
    // The bytes after the label.
    virtual void ReadBody(platform::Stream& stream) = 0;
    virtual void WriteBody(platform::Stream& stream) const = 0;
};

// The factory of a class that takes just the frame.
template <class Extension>
std::unique_ptr<TGIFExtension> MakeExtension(TGIFSubImage* subImage)
{
    return std::make_unique<Extension>(subImage);
}

class TGIFExtensionList final : public TGIFList<TGIFExtension> {
public:
    using TGIFList::TGIFList;
    // Reads extensions up to the frame's image descriptor or the trailer.
    void LoadFromStream(platform::Stream& stream, TGIFSubImage* parent);
    void SaveToStream(platform::Stream& stream) const;
    TGIFExtension* GetExtension(int index) const { return GetItem(index); }
    std::unique_ptr<TGIFExtension> SetExtension(int index, std::unique_ptr<TGIFExtension> extension)
    {
        return SetItem(index, std::move(extension));
    }
};
