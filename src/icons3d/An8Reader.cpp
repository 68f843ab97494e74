#include "icons3d/An8Reader.h"

#include "icons3d/An8TexturePath.h"

#include <algorithm>
#include <new>

namespace {

// Thrown to unwind a load at its first error; never leaves the reader.
struct An8Abort {};

} // namespace

An8Reader::An8Reader(An8File& file, std::string fileName, std::string directory, int mask,
                     An8TextureLoader& textures, An8MessageSink messages)
    : lexer_(file), fileName_(std::move(fileName)), directory_(std::move(directory)), mask_(mask),
      textureLoader_(textures), messages_(std::move(messages))
{
}

void An8Reader::next()
{
    if (lexer_.An8NextToken() == An8Token::Failed)
        fail(kAn8WrongValue, lexer_.problem());
}

void An8Reader::fail(int number, std::string detail)
{
    error_.number = number;
    error_.line = lexer_.line();
    error_.detail = std::move(detail);
    throw An8Abort{};
}

void An8Reader::unexpected(int number)
{
    if (at(An8Token::Overlong) || at(An8Token::Malformed))
        fail(number, lexer_.problem());
    fail(number);
}

void An8Reader::notice(const std::string& text, int line, const std::string& detail)
{
    if (messages_)
        messages_(text + "\n" + fileName_ + ", line " + std::to_string(line) + (detail.empty() ? "" : ": " + detail));
}

std::unique_ptr<An8Model> An8Reader::read()
{
    model_ = std::make_unique<An8Model>();
    try {
        next();
        while (!at(An8Token::End)) {
            if (!at(An8Token::Word))
                unexpected(kAn8TopLevelNotWord);
            const An8Keyword keyword = An8LookupKeyword(lexer_.text());
            if (keyword == kHeader) {
                readHeader();
            } else if (keyword == kMaterial) {
                registerMaterial(An8ReadMaterial());
            } else if (keyword == kTexture && (mask_ & kAn8ReadTextures)) {
                readTexture();
            } else if (keyword == kObject && (mask_ & kAn8ReadObjects)) {
                readObject();
            } else if (keyword == kFigure && (mask_ & kAn8ReadFigures)) {
                readFigure();
            } else if (keyword == kSequence && (mask_ & kAn8ReadSequences)) {
                readSequence();
            } else if (keyword == kScene && (mask_ & kAn8ReadScenes)) {
                readScene();
            } else {
                An8SkipChunk();
            }
        }
    } catch (const An8Abort&) {
        releaseTextures();
        return nullptr;
    } catch (const std::bad_alloc&) {
        releaseTextures();
        throw;
    }
    An8Model& model = *model_;
    // Without sequences and scenes the model shows its figures, or without figures all
    // its objects.
    if (model.figures.rootBone.empty())
        An8AppendReference(model.figures.rootBone, kAn8Object, &model.objects);
    if (model.elements.empty())
        An8AppendReference(model.elements, kAn8Figure, &model.figures);
    return std::move(model_);
}

// Nothing of a failed load is kept, the GL names of its textures included.
void An8Reader::releaseTextures()
{
    FreeAn8Textures(model_->textures, [this](uint32_t id) { textureLoader_.DeleteTexture(id); });
}

namespace {

// The version string "a.bc" as a*100 + bc. One digit after the dot is tenths (0.9 is 90,
// as 0.90 would be); a third digit adds nothing; a saturates so a*100 cannot overflow.
int32_t versionNumber(const std::string& text)
{
    int32_t whole = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        whole = std::min(whole * 10 + (text[i] - '0'), 10000);
    int32_t fraction = 0;
    if (i < text.size() && text[i] == '.') {
        int digits = 0;
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 2; ++i, ++digits)
            fraction = fraction * 10 + (text[i] - '0');
        if (digits == 1)
            fraction *= 10;
    }
    return whole * 100 + fraction;
}

} // namespace

void An8Reader::readHeader()
{
    open(kAn8MissingBrace);
    version_ = 50;
    body([&](An8Keyword keyword) {
        if (keyword != kVersion)
            return false;
        open(kAn8MissingBrace);
        version_ = versionNumber(readString());
        closing();
        return true;
    });
}

void An8Reader::readTexture()
{
    open(kAn8MissingBrace);
    const std::string name = readString();
    std::string written;
    body([&](An8Keyword keyword) {
        if (keyword != kFile)
            return false;
        written = An8FoldBackslashes(stringChunk());
        return true;
    });
    if (name.empty() || written.empty())
        return;
    const uint32_t id = textureLoader_.LoadTexture(An8ResolveTexturePath(written, directory_));
    if (id == 0)
        return;
    if (texturesByName_.count(name)) {
        textureLoader_.DeleteTexture(id);
        return;
    }
    auto texture = std::make_unique<An8Texture>();
    texture->name = name;
    texture->file = written;
    texture->id = id;
    texturesByName_[name] = texture.get();
    model_->textures.push_back(std::move(texture));
}
