#pragma once
// The conversion pipeline's public face: the job context and input file map, the worker and
// the conversion job, output naming, and the stages a job runs in order.

#include "pipeline/batch.h"          // many files: the input file map filled, the worker pool
#include "pipeline/bitmap_reader.h"  // load
#include "pipeline/colors.h"         // colour adjustments, greyscale, threshold
#include "pipeline/depth.h"          // output bit depth
#include "pipeline/frame.h"          // solid frame
#include "pipeline/image.h"
#include "pipeline/job.h"
#include "pipeline/job_context.h"
#include "pipeline/naming.h"
#include "pipeline/preview.h"     // the stages run for a look at the result
#include "pipeline/run_checks.h"  // the checks before a run, shared by both faces
#include "pipeline/transforms.h"  // rotation, resize, flips
#include "pipeline/watermark.h"   // text and image watermark, the watermark font
