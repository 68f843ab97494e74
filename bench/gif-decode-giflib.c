/* The peer of gif-decode: the same output, decoding with giflib's DGifSlurp through its
   public API only, reading from memory like ours. */

#include <gif_lib.h>
#include <zlib.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

struct Memory {
    const unsigned char* bytes;
    size_t size;
    size_t position;
};

static int ReadMemory(GifFileType* gif, GifByteType* buffer, int count)
{
    struct Memory* memory = gif->UserData;
    size_t n = (size_t)count;
    if (n > memory->size - memory->position)
        n = memory->size - memory->position;
    memcpy(buffer, memory->bytes + memory->position, n);
    memory->position += n;
    return (int)n;
}

static unsigned char* ReadFile(const char* name, size_t* size)
{
    FILE* file = fopen(name, "rb");
    unsigned char* bytes = NULL;
    *size = 0;
    if (!file)
        return NULL;
    for (;;) {
        unsigned char* grown = realloc(bytes, *size + 65536);
        if (!grown)
            break;
        bytes = grown;
        size_t n = fread(bytes + *size, 1, 65536, file);
        *size += n;
        if (n < 65536)
            break;
    }
    fclose(file);
    return bytes;
}

/* Answers the open file after DGifSlurp, or NULL when giflib refuses it. */
static GifFileType* Slurp(const unsigned char* bytes, size_t size)
{
    struct Memory memory = {bytes, size, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&memory, ReadMemory, &error);
    if (!gif)
        return NULL;
    if (DGifSlurp(gif) != GIF_OK) {
        DGifCloseFile(gif, &error);
        return NULL;
    }
    gif->UserData = NULL;
    return gif;
}

static double PixelsOf(const GifFileType* gif)
{
    double pixels = 0;
    for (int i = 0; i < gif->ImageCount; ++i)
        pixels += (double)gif->SavedImages[i].ImageDesc.Width * gif->SavedImages[i].ImageDesc.Height;
    return pixels;
}

static void CrossCheck(const char* name)
{
    size_t size;
    unsigned char* bytes = ReadFile(name, &size);
    GifFileType* gif = bytes ? Slurp(bytes, size) : NULL;
    int error = 0;
    if (!gif) {
        printf("%s error\n", name);
    } else if (gif->ImageCount == 0) {
        printf("%s 0 0 0 00000000\n", name);
    } else {
        const SavedImage* first = &gif->SavedImages[0];
        const uLong length = (uLong)first->ImageDesc.Width * first->ImageDesc.Height;
        printf("%s %d %d %d %08lx\n", name, gif->ImageCount, first->ImageDesc.Width, first->ImageDesc.Height,
               crc32(0L, first->RasterBits, (uInt)length));
    }
    if (gif)
        DGifCloseFile(gif, &error);
    free(bytes);
}

static double Now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + t.tv_nsec / 1e9;
}

static int CompareDoubles(const void* a, const void* b)
{
    const double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

static void Time(const char* name, int repeats)
{
    size_t size;
    unsigned char* bytes = ReadFile(name, &size);
    double* seconds = calloc((size_t)repeats, sizeof *seconds);
    int frames = 0;
    double pixels = 0;
    for (int i = 0; i < repeats && bytes && seconds; ++i) {
        const double start = Now();
        GifFileType* gif = Slurp(bytes, size);
        if (!gif) {
            printf("%s error\n", name);
            free(seconds);
            free(bytes);
            return;
        }
        seconds[i] = Now() - start;
        frames = gif->ImageCount;
        pixels = PixelsOf(gif);
        int error = 0;
        DGifCloseFile(gif, &error);
    }
    if (bytes && seconds) {
        qsort(seconds, (size_t)repeats, sizeof *seconds, CompareDoubles);
        printf("%s %d %.3f %.6f %.6f\n", name, frames, pixels / 1e6, seconds[repeats / 2], seconds[0]);
    }
    free(seconds);
    free(bytes);
}

int main(int argc, char** argv)
{
    int repeats = 0, first = 1;
    if (argc > 2 && strcmp(argv[1], "--time") == 0) {
        repeats = atoi(argv[2]) > 0 ? atoi(argv[2]) : 1;
        first = 3;
    }
    for (int i = first; i < argc; ++i) {
        if (repeats > 0)
            Time(argv[i], repeats);
        else
            CrossCheck(argv[i]);
    }
    return 0;
}
