/* The peer of gif-quantize: giflib's GifQuantizeBuffer (median cut to 256 colours, no
   dithering) through its public API only, on the same binary PPM photo:
     gif-quantize-giflib --time N PHOTO OUT   N runs; the last result is saved as the GIF OUT
   and the line is MEGAPIXELS MEDIAN_SECONDS MIN_SECONDS. The photo is split into the three
   planes giflib takes before the clock starts. */

#include <gif_lib.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static int ReadNumber(FILE* file, int* value)
{
    int c = fgetc(file);
    while (c == '#' || c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        if (c == '#')
            while (c != '\n' && c != EOF)
                c = fgetc(file);
        c = fgetc(file);
    }
    if (c < '0' || c > '9')
        return 0;
    *value = 0;
    for (; c >= '0' && c <= '9'; c = fgetc(file))
        *value = *value * 10 + (c - '0');
    return *value > 0;
}

static double Now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static int Compare(const void* a, const void* b)
{
    const double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

static int Save(const char* name, int width, int height, const GifColorType* colors, int count,
                const GifByteType* pixels)
{
    int error = 0;
    GifFileType* gif = EGifOpenFileName(name, false, &error);
    if (!gif)
        return 0;
    ColorMapObject* map = GifMakeMapObject(256, NULL);
    memset(map->Colors, 0, 256 * sizeof(GifColorType));
    memcpy(map->Colors, colors, (size_t)count * sizeof(GifColorType));
    int ok = EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK
             && EGifPutImageDesc(gif, 0, 0, width, height, false, NULL) == GIF_OK;
    for (int y = 0; ok && y < height; ++y)
        ok = EGifPutLine(gif, (GifPixelType*)pixels + (size_t)y * (size_t)width, width) == GIF_OK;
    GifFreeMapObject(map);
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

int main(int argc, char** argv)
{
    if (argc != 5 || strcmp(argv[1], "--time") != 0) {
        fprintf(stderr, "usage: gif-quantize-giflib --time N PHOTO OUT\n");
        return 2;
    }
    int repeats = atoi(argv[2]);
    if (repeats < 1)
        repeats = 1;
    FILE* file = fopen(argv[3], "rb");
    int width = 0, height = 0, maximum = 0;
    if (!file || fgetc(file) != 'P' || fgetc(file) != '6' || !ReadNumber(file, &width) || !ReadNumber(file, &height)
        || !ReadNumber(file, &maximum) || maximum != 255) {
        fprintf(stderr, "%s: not a binary PPM of 8-bit channels\n", argv[3]);
        return 1;
    }
    const size_t pixels = (size_t)width * (size_t)height;
    unsigned char* rgb = malloc(pixels * 3);
    GifByteType* red = malloc(pixels);
    GifByteType* green = malloc(pixels);
    GifByteType* blue = malloc(pixels);
    GifByteType* output = malloc(pixels);
    double* seconds = malloc(sizeof(double) * (size_t)repeats);
    if (!rgb || !red || !green || !blue || !output || !seconds || fread(rgb, 3, pixels, file) != pixels) {
        fprintf(stderr, "%s: cannot read the pixels\n", argv[3]);
        return 1;
    }
    fclose(file);
    for (size_t i = 0; i < pixels; ++i) {
        red[i] = rgb[3 * i];
        green[i] = rgb[3 * i + 1];
        blue[i] = rgb[3 * i + 2];
    }
    GifColorType colors[256];
    int count = 256;
    for (int i = 0; i < repeats; ++i) {
        count = 256;
        const double start = Now();
        if (GifQuantizeBuffer((unsigned)width, (unsigned)height, &count, red, green, blue, output, colors) != GIF_OK) {
            fprintf(stderr, "GifQuantizeBuffer failed\n");
            return 1;
        }
        seconds[i] = Now() - start;
    }
    if (!Save(argv[4], width, height, colors, count, output)) {
        fprintf(stderr, "%s: cannot write the GIF\n", argv[4]);
        return 1;
    }
    qsort(seconds, (size_t)repeats, sizeof(double), Compare);
    printf("%.3f %.6f %.6f\n", (double)pixels / 1e6, seconds[repeats / 2], seconds[0]);
    free(rgb);
    free(red);
    free(green);
    free(blue);
    free(output);
    free(seconds);
    return 0;
}
