/* The noise filters libvips offers, on the same grainy PPM picture as
 * restoration_bench, in memory, so that only the filter is timed: medians of
 * 3 x 3 and 5 x 5 (edge-keeping, but they round corners and thin lines off)
 * and a Gaussian blur of about the same reach (not edge-keeping). libvips has
 * no bilateral filter. Prints "name min_ms median_ms cpu_min_ms" per filter,
 * the processor time summed over its threads. */

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vips/vips.h>

#include "PeerTiming.h"

#define RUNS 5

static int run(VipsImage* in, const char* op, VipsImage** out)
{
    if (!strcmp(op, "median3"))
        return vips_median(in, out, 3, NULL);
    if (!strcmp(op, "median5"))
        return vips_median(in, out, 5, NULL);
    if (!strcmp(op, "gaussblur"))
        return vips_gaussblur(in, out, 1.5, "precision", VIPS_PRECISION_INTEGER, NULL);
    return -1;
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
    const char* ops[] = {"median3", "median5", "gaussblur"};
    for (int k = 0; k < 3; k++)
    {
        double ms[RUNS], cpu = 1e30;
        for (int i = 0; i < RUNS; i++)
        {
            double t0 = now_ms(), c0 = cpu_ms();
            VipsImage* pipe = NULL;
            if (run(in, ops[k], &pipe))
                return 1;
            size_t size;
            void* bytes = vips_image_write_to_memory(pipe, &size);
            ms[i] = now_ms() - t0;
            if (cpu_ms() - c0 < cpu)
                cpu = cpu_ms() - c0;
            g_free(bytes);
            g_object_unref(pipe);
        }
        qsort(ms, RUNS, sizeof ms[0], cmp);
        printf("%s %.2f %.2f %.2f\n", ops[k], ms[0], ms[RUNS / 2], cpu);
    }
    g_object_unref(in);
    vips_shutdown();
    return 0;
}
