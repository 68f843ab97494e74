/* The peer of gif-encode: the same output, encoding with giflib's EGifSpew through its
   public API only, writing into memory like ours. The pictures are read once with
   DGifSlurp; each timed encode gets a fresh copy, since EGifSpew frees what it wrote. */

#include <gif_lib.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

struct Memory {
    unsigned char* bytes;
    size_t size;
    size_t capacity;
};

static int WriteMemory(GifFileType* gif, const GifByteType* buffer, int count)
{
    struct Memory* memory = gif->UserData;
    if (memory->size + (size_t)count > memory->capacity) {
        size_t capacity = memory->capacity ? memory->capacity : 65536;
        while (capacity < memory->size + (size_t)count)
            capacity *= 2;
        unsigned char* grown = realloc(memory->bytes, capacity);
        if (!grown)
            return 0;
        memory->bytes = grown;
        memory->capacity = capacity;
    }
    memcpy(memory->bytes + memory->size, buffer, (size_t)count);
    memory->size += (size_t)count;
    return count;
}

static GifFileType* Slurp(const char* name)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(name, &error);
    if (gif && DGifSlurp(gif) != GIF_OK) {
        DGifCloseFile(gif, &error);
        gif = NULL;
    }
    return gif;
}

/* A writer on `memory` holding a copy of everything `source` holds. */
static GifFileType* CopyForWriting(const GifFileType* source, struct Memory* memory)
{
    int error = 0;
    GifFileType* gif = EGifOpen(memory, WriteMemory, &error);
    if (!gif)
        return NULL;
    gif->SWidth = source->SWidth;
    gif->SHeight = source->SHeight;
    gif->SColorResolution = source->SColorResolution;
    gif->SBackGroundColor = source->SBackGroundColor;
    gif->AspectByte = source->AspectByte;
    if (source->SColorMap)
        gif->SColorMap = GifMakeMapObject(source->SColorMap->ColorCount, source->SColorMap->Colors);
    for (int i = 0; i < source->ImageCount; ++i) {
        const SavedImage* from = &source->SavedImages[i];
        SavedImage* image = GifMakeSavedImage(gif, from);
        if (image && image->ExtensionBlockCount == 0)
            for (int j = 0; j < from->ExtensionBlockCount; ++j) {
                const ExtensionBlock* block = &from->ExtensionBlocks[j];
                GifAddExtensionBlock(&image->ExtensionBlockCount, &image->ExtensionBlocks, block->Function,
                                     block->ByteCount, block->Bytes);
            }
    }
    for (int i = 0; i < source->ExtensionBlockCount; ++i) {
        const ExtensionBlock* block = &source->ExtensionBlocks[i];
        GifAddExtensionBlock(&gif->ExtensionBlockCount, &gif->ExtensionBlocks, block->Function, block->ByteCount,
                             block->Bytes);
    }
    return gif;
}

/* Encodes into `memory`; answers 0 when giflib refused. */
static int Spew(const GifFileType* source, struct Memory* memory, double* seconds)
{
    memory->size = 0;
    GifFileType* gif = CopyForWriting(source, memory);
    if (!gif)
        return 0;
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const int ok = EGifSpew(gif) == GIF_OK;
    clock_gettime(CLOCK_MONOTONIC, &end);
    if (seconds)
        *seconds = (double)(end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9;
    return ok;
}

static int Resave(const char* in, const char* out)
{
    GifFileType* gif = Slurp(in);
    struct Memory memory = {NULL, 0, 0};
    int ok = gif && Spew(gif, &memory, NULL);
    if (ok) {
        FILE* file = fopen(out, "wb");
        ok = file && fwrite(memory.bytes, 1, memory.size, file) == memory.size;
        if (file)
            ok = fclose(file) == 0 && ok;
    }
    if (!ok)
        fprintf(stderr, "%s: giflib could not resave it as %s\n", in, out);
    int error = 0;
    if (gif)
        DGifCloseFile(gif, &error);
    free(memory.bytes);
    return ok ? 0 : 1;
}

static int CompareDoubles(const void* a, const void* b)
{
    const double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

static void Time(const char* name, int repeats)
{
    GifFileType* gif = Slurp(name);
    double* seconds = calloc((size_t)repeats, sizeof *seconds);
    struct Memory memory = {NULL, 0, 0};
    int ok = gif && seconds;
    for (int i = 0; i < repeats && ok; ++i)
        ok = Spew(gif, &memory, &seconds[i]);
    if (!ok) {
        printf("%s error\n", name);
    } else {
        double pixels = 0;
        for (int i = 0; i < gif->ImageCount; ++i)
            pixels += (double)gif->SavedImages[i].ImageDesc.Width * gif->SavedImages[i].ImageDesc.Height;
        qsort(seconds, (size_t)repeats, sizeof *seconds, CompareDoubles);
        printf("%s %d %.3f %.6f %.6f %zu\n", name, gif->ImageCount, pixels / 1e6, seconds[repeats / 2], seconds[0],
               memory.size);
    }
    int error = 0;
    if (gif)
        DGifCloseFile(gif, &error);
    free(seconds);
    free(memory.bytes);
}

int main(int argc, char** argv)
{
    if (argc == 4 && strcmp(argv[1], "--resave") == 0)
        return Resave(argv[2], argv[3]);
    if (argc > 3 && strcmp(argv[1], "--time") == 0) {
        const int repeats = atoi(argv[2]) > 0 ? atoi(argv[2]) : 1;
        for (int i = 3; i < argc; ++i)
            Time(argv[i], repeats);
        return 0;
    }
    fprintf(stderr, "usage: gif-encode-giflib --resave IN OUT | gif-encode-giflib --time N FILE...\n");
    return 2;
}
