/* The colour and resampling operations of imaging_bench done with libvips on
 * the same PPM picture, in memory, so that only the operation is timed.
 * Prints "name min_ms median_ms" per operation. */

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vips/vips.h>

#include "PeerTiming.h"

#define RUNS 7

/* Saturation 30 as one 3x3 matrix: keep BT.601 luma, scale the rest by 1.3. */
static VipsImage* saturation_matrix(void)
{
    const double w[3] = {0.299, 0.587, 0.114}, f = 1.3;
    VipsImage* m = vips_image_new_matrix(3, 3);
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            *VIPS_MATRIX(m, j, i) = (1 - f) * w[j] + (i == j ? f : 0);
    return m;
}

static int run(VipsImage* in, const char* op, VipsImage** out)
{
    VipsImage* t[4] = {NULL};
    VipsImage* m = NULL;
    const double a3[3] = {1, 1, 1}, shift[3] = {9, -4, 6}; /* red, green, blue */
    const double c = 1.2, light_b = 128 * (1 - 1.2) + 12;
    int r = -1;
    if (!strcmp(op, "saturate"))
    {
        m = saturation_matrix();
        r = vips_recomb(in, &t[0], m, NULL) || vips_cast_uchar(t[0], out, NULL);
    }
    else if (!strcmp(op, "light"))
    {
        r = vips_linear1(in, &t[0], c, light_b, "uchar", TRUE, NULL) ? -1 : 0;
        *out = t[0], t[0] = NULL;
    }
    else if (!strcmp(op, "shift"))
    {
        r = vips_linear(in, &t[0], (double*)a3, (double*)shift, 3, "uchar", TRUE, NULL) ? -1 : 0;
        *out = t[0], t[0] = NULL;
    }
    else if (!strcmp(op, "adjust"))
    {
        m = saturation_matrix();
        r = vips_recomb(in, &t[0], m, NULL) || vips_cast_uchar(t[0], &t[1], NULL) ||
            vips_linear1(t[1], &t[2], c, light_b, "uchar", TRUE, NULL) ||
            vips_linear(t[2], out, (double*)a3, (double*)shift, 3, "uchar", TRUE, NULL);
    }
    else if (!strcmp(op, "resample2x"))
    {
        r = vips_resize(in, out, 2.0, "kernel", VIPS_KERNEL_CUBIC, NULL);
    }
    for (int i = 0; i < 4; i++)
        if (t[i])
            g_object_unref(t[i]);
    if (m)
        g_object_unref(m);
    return r;
}

int main(int argc, char** argv)
{
    if (VIPS_INIT(argv[0]) || argc < 2)
        return 1;
    vips_cache_set_max(0);
    vips_concurrency_set(2);
    VipsImage* file = vips_image_new_from_file(argv[1], "access", VIPS_ACCESS_RANDOM, NULL);
    if (!file)
        return 1;
    VipsImage* in = vips_image_copy_memory(file);
    g_object_unref(file);
    const char* ops[] = {"saturate", "light", "shift", "adjust", "resample2x"};
    for (int k = 0; k < 5; k++)
    {
        double ms[RUNS];
        for (int i = 0; i < RUNS; i++)
        {
            double t0 = now_ms();
            VipsImage* pipe = NULL;
            if (run(in, ops[k], &pipe))
                return 1;
            size_t size;
            void* bytes = vips_image_write_to_memory(pipe, &size);
            ms[i] = now_ms() - t0;
            g_free(bytes);
            g_object_unref(pipe);
        }
        qsort(ms, RUNS, sizeof ms[0], cmp);
        printf("%s %.2f %.2f\n", ops[k], ms[0], ms[RUNS / 2]);
    }
    g_object_unref(in);
    vips_shutdown();
    return 0;
}
