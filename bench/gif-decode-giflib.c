/* The peer of gif-decode: the same output, decoding with giflib's DGifSlurp through its
   public API only, reading from memory like ours. With --still, the peer of its still mode:
   the file read and decoded, and the first frame composed on the logical screen the plain
   way (the background colour, then the frame's pixels except its transparent ones, cut to
   the screen). */

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

struct Still {
    int width, height;
    unsigned char* rgba;
};

/* RGBA of the screen, or rgba NULL when giflib refuses the file. */
static struct Still OpenStill(const char* name)
{
    struct Still still = {0, 0, NULL};
    int error = 0;
    GifFileType* gif = DGifOpenFileName(name, &error);
    if (gif && (DGifSlurp(gif) != GIF_OK || gif->ImageCount == 0)) {
        DGifCloseFile(gif, &error);
        gif = NULL;
    }
    if (!gif)
        return still;
    const SavedImage* frame = &gif->SavedImages[0];
    const ColorMapObject* screenMap = gif->SColorMap;
    const ColorMapObject* map = frame->ImageDesc.ColorMap ? frame->ImageDesc.ColorMap : screenMap;
    GraphicsControlBlock control = {0, 0, 0, NO_TRANSPARENT_COLOR};
    DGifSavedExtensionToGCB(gif, 0, &control);
    still.width = gif->SWidth;
    still.height = gif->SHeight;
    still.rgba = malloc((size_t)still.width * still.height * 4 + 1);
    unsigned char background[4] = {0, 0, 0, 255};
    if (screenMap && gif->SBackGroundColor < screenMap->ColorCount) {
        background[0] = screenMap->Colors[gif->SBackGroundColor].Red;
        background[1] = screenMap->Colors[gif->SBackGroundColor].Green;
        background[2] = screenMap->Colors[gif->SBackGroundColor].Blue;
    }
    for (size_t i = 0; i < (size_t)still.width * still.height; ++i)
        memcpy(still.rgba + 4 * i, background, 4);
    unsigned char colours[256][4];
    memset(colours, 0, sizeof colours);
    for (int i = 0; i < 256; ++i) {
        colours[i][3] = 255;
        if (map && i < map->ColorCount) {
            colours[i][0] = map->Colors[i].Red;
            colours[i][1] = map->Colors[i].Green;
            colours[i][2] = map->Colors[i].Blue;
        }
    }
    const int left = frame->ImageDesc.Left, top = frame->ImageDesc.Top;
    const int width = frame->ImageDesc.Width, height = frame->ImageDesc.Height;
    const int transparent = control.TransparentColor;
    for (int y = 0; y < height && top + y < still.height; ++y) {
        const GifByteType* in = frame->RasterBits + (size_t)y * width;
        unsigned char* out = still.rgba + ((size_t)(top + y) * still.width + left) * 4;
        for (int x = 0; x < width && left + x < still.width; ++x)
            if (in[x] != transparent)
                memcpy(out + 4 * x, colours[in[x]], 4);
    }
    DGifCloseFile(gif, &error);
    return still;
}

static void CrossCheckStill(const char* name)
{
    struct Still still = OpenStill(name);
    if (!still.rgba) {
        printf("%s error\n", name);
        return;
    }
    printf("%s %d %d %08lx\n", name, still.width, still.height,
           crc32(0L, still.rgba, (uInt)((size_t)still.width * still.height * 4)));
    free(still.rgba);
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

static void TimeStill(const char* name, int repeats)
{
    double* seconds = calloc((size_t)repeats, sizeof *seconds);
    struct Still still = {0, 0, NULL};
    for (int i = 0; i < repeats && seconds; ++i) {
        free(still.rgba);
        const double start = Now();
        still = OpenStill(name);
        seconds[i] = Now() - start;
        if (!still.rgba) {
            printf("%s error\n", name);
            free(seconds);
            return;
        }
    }
    if (seconds) {
        qsort(seconds, (size_t)repeats, sizeof *seconds, CompareDoubles);
        printf("%s %d %d %.3f %.6f %.6f\n", name, still.width, still.height,
               (double)still.width * still.height / 1e6, seconds[repeats / 2], seconds[0]);
    }
    free(still.rgba);
    free(seconds);
}

int main(int argc, char** argv)
{
    int repeats = 0, first = 1;
    const int still = argc > 1 && strcmp(argv[1], "--still") == 0;
    if (still)
        first = 2;
    if (argc > first + 1 && strcmp(argv[first], "--time") == 0) {
        repeats = atoi(argv[first + 1]) > 0 ? atoi(argv[first + 1]) : 1;
        first += 2;
    }
    for (int i = first; i < argc; ++i) {
        if (repeats > 0)
            still ? TimeStill(argv[i], repeats) : Time(argv[i], repeats);
        else
            still ? CrossCheckStill(argv[i]) : CrossCheck(argv[i]);
    }
    return 0;
}
