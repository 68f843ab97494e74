/* The peer of gif-animate: the same output, from giflib's DGifSlurp through its public API
   and the plain coalescing every viewer does (a transparent screen; each frame drawn without
   its transparent index; then its area cleared for "background", the screen before it put
   back for "previous"). With --time, only the coalescing is timed, the file decoded before, in
   processor time as gif-animate times it; the line is NAME FRAMES MEDIAN MIN MAX seconds. */

#include <gif_lib.h>
#include <sys/resource.h>
#include <zlib.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static GifFileType* Slurp(const char* name)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(name, &error);
    if (gif && DGifSlurp(gif) != GIF_OK) {
        DGifCloseFile(gif, &error);
        return NULL;
    }
    return gif;
}

/* Coalesces every frame; `shown` (may be NULL) sees the screen, RGBA, after each. */
static void Coalesce(GifFileType* gif, void (*shown)(const unsigned char*, size_t, void*), void* context)
{
    const size_t pixels = (size_t)gif->SWidth * gif->SHeight;
    unsigned char* screen = calloc(pixels * 4 + 1, 1);
    unsigned char* saved = malloc(pixels * 4 + 1);
    for (int f = 0; f < gif->ImageCount; ++f) {
        const SavedImage* frame = &gif->SavedImages[f];
        const ColorMapObject* map = frame->ImageDesc.ColorMap ? frame->ImageDesc.ColorMap : gif->SColorMap;
        GraphicsControlBlock control = {0, 0, 0, NO_TRANSPARENT_COLOR};
        DGifSavedExtensionToGCB(gif, f, &control);
        unsigned char colours[256][4];
        for (int i = 0; i < 256; ++i) {
            const int known = map && i < map->ColorCount;
            colours[i][0] = known ? map->Colors[i].Red : 0;
            colours[i][1] = known ? map->Colors[i].Green : 0;
            colours[i][2] = known ? map->Colors[i].Blue : 0;
            colours[i][3] = 255;
        }
        if (control.DisposalMode == DISPOSE_PREVIOUS)
            memcpy(saved, screen, pixels * 4);
        const int left = frame->ImageDesc.Left, top = frame->ImageDesc.Top;
        const int width = frame->ImageDesc.Width, height = frame->ImageDesc.Height;
        for (int y = 0; y < height && top + y < gif->SHeight; ++y) {
            const GifByteType* in = frame->RasterBits + (size_t)y * width;
            unsigned char* out = screen + ((size_t)(top + y) * gif->SWidth + left) * 4;
            for (int x = 0; x < width && left + x < gif->SWidth; ++x)
                if (in[x] != control.TransparentColor)
                    memcpy(out + 4 * x, colours[in[x]], 4);
        }
        if (shown)
            shown(screen, pixels * 4, context);
        if (control.DisposalMode == DISPOSE_PREVIOUS) {
            memcpy(screen, saved, pixels * 4);
        } else if (control.DisposalMode == DISPOSE_BACKGROUND) {
            for (int y = top; y < top + height && y < gif->SHeight; ++y)
                for (int x = left; x < left + width && x < gif->SWidth; ++x)
                    memset(screen + ((size_t)y * gif->SWidth + x) * 4, 0, 4);
        }
    }
    free(screen);
    free(saved);
}

static void AddToCrc(const unsigned char* rgba, size_t size, void* crc)
{
    *(uLong*)crc = crc32(*(uLong*)crc, rgba, (uInt)size);
}

static double Now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

static int Ascending(const void* a, const void* b)
{
    const double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

/* With --peak load|play FILE: the peak resident memory in MB once the file is slurped, or
   once it is also coalesced. */
static int Peak(const char* mode, const char* name)
{
    GifFileType* gif = Slurp(name);
    int error = 0;
    if (!gif)
        return 1;
    if (strcmp(mode, "play") == 0)
        Coalesce(gif, NULL, NULL);
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("%.1f\n", usage.ru_maxrss / 1024.0);
    DGifCloseFile(gif, &error);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 4 && strcmp(argv[1], "--peak") == 0)
        return Peak(argv[2], argv[3]);
    int repeats = 0, first = 1;
    if (argc > 2 && strcmp(argv[1], "--time") == 0) {
        repeats = atoi(argv[2]) > 0 ? atoi(argv[2]) : 1;
        first = 3;
    }
    for (int i = first; i < argc; ++i) {
        GifFileType* gif = Slurp(argv[i]);
        int error = 0;
        if (!gif) {
            printf("%s error\n", argv[i]);
            continue;
        }
        if (repeats == 0) {
            uLong crc = crc32(0L, NULL, 0);
            Coalesce(gif, AddToCrc, &crc);
            printf("%s %d %08lx\n", argv[i], gif->ImageCount, crc);
        } else {
            double* seconds = malloc(sizeof(double) * (size_t)repeats);
            for (int r = 0; r < repeats; ++r) {
                const double start = Now();
                Coalesce(gif, NULL, NULL);
                seconds[r] = Now() - start;
            }
            qsort(seconds, (size_t)repeats, sizeof(double), Ascending);
            printf("%s %d %.6f %.6f %.6f\n", argv[i], gif->ImageCount, seconds[repeats / 2], seconds[0],
                   seconds[repeats - 1]);
            free(seconds);
        }
        DGifCloseFile(gif, &error);
    }
    return 0;
}
