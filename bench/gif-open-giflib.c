/* The peer of gif-open: the same output, reading the file, decoding with giflib's DGifSlurp
   (public API only) and composing the first frame on the logical screen the plain way: the
   background colour, then the frame's pixels except its transparent ones, cut to the screen. */

#include <gif_lib.h>
#include <zlib.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

struct Still {
    int width, height;
    unsigned char* rgba;
};

static GifFileType* Slurp(const char* name)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(name, &error);
    if (!gif)
        return NULL;
    if (DGifSlurp(gif) != GIF_OK || gif->ImageCount == 0) {
        DGifCloseFile(gif, &error);
        return NULL;
    }
    return gif;
}

/* RGBA of the screen, or rgba NULL when giflib refuses the file. */
static struct Still Open(const char* name)
{
    struct Still still = {0, 0, NULL};
    GifFileType* gif = Slurp(name);
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
    int error = 0;
    DGifCloseFile(gif, &error);
    return still;
}

static void CrossCheck(const char* name)
{
    struct Still still = Open(name);
    if (!still.rgba) {
        printf("%s error\n", name);
        return;
    }
    printf("%s %d %d %08lx\n", name, still.width, still.height,
           crc32(0L, still.rgba, (uInt)((size_t)still.width * still.height * 4)));
    free(still.rgba);
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
    double* seconds = calloc((size_t)repeats, sizeof *seconds);
    struct Still still = {0, 0, NULL};
    for (int i = 0; i < repeats && seconds; ++i) {
        free(still.rgba);
        const double start = Now();
        still = Open(name);
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
