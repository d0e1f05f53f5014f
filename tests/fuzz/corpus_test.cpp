// Every fuzz target's core on its corpus in the tree (seeds made from the unit's own files and
// replies, and the inputs of past findings), then on seeded mutations of it: under the sanitizers
// a read outside a buffer fails the run, and each core's checks must hold. The same cores run
// under libFuzzer with `make fuzz`.
#include "tests/fuzz/bitmap_core.h"
#include "tests/fuzz/corpus.h"
#include "tests/fuzz/folder_cores.h"
#include "tests/fuzz/fonts_core.h"
#include "tests/fuzz/input_core.h"
#include "tests/fuzz/netfiles_core.h"
#include "tests/fuzz/params_core.h"
#include "tests/fuzz/scenario_core.h"

using fuzzcorpus::drive;

TEST(FuzzCorpus, Bitmaps)
{
    drive<bitmapfuzz::Bed>("bitmap", 300, 4096, bitmapfuzz::run);
}

TEST(FuzzCorpus, GlyphAndLanguageFiles)
{
    drive<fontsfuzz::Bed>("fonts", 100, 20480, fontsfuzz::run);
}

TEST(FuzzCorpus, ParameterLoadAtStart)
{
    drive<paramsfuzz::Bed>("params", 100, 512, paramsfuzz::run);
}

TEST(FuzzCorpus, ScenarioFiles)
{
    drive<scenariofuzz::Bed>("scenario", 200, 8192, scenariofuzz::run);
}

TEST(FuzzCorpus, KeyCodesAndTouchMessages)
{
    drive<inputfuzz::Bed>("input", 300, 1024, inputfuzz::run);
}

TEST(FuzzCorpus, NetworkStoredFiles)
{
    drive<netfilesfuzz::Bed>("netfiles", 100, 4096, netfilesfuzz::run);
}

// The cores whose seeded random drivers run with their folders' tests: here their corpus only.
TEST(FuzzCorpus, FibreAnalysisAndTrainingTable)
{
    drive<fiberfuzz::Bed>("fiber", 0, 12288, fiberfuzz::run);
}

TEST(FuzzCorpus, RecordFile)
{
    drive<recordsfuzz::Bed>("records", 0, 256, recordsfuzz::run);
}

TEST(FuzzCorpus, SerialLinesAndQueueIndex)
{
    drive<serialfuzz::Bed>("serial", 0, 1024, serialfuzz::run);
}

TEST(FuzzCorpus, ServerRepliesAndWifiTools)
{
    drive<repliesfuzz::Bed>("replies", 0, 4096, repliesfuzz::run);
}

TEST(FuzzCorpus, UpdatePackage)
{
    drive<updatefuzz::Bed>("update", 0, 300, updatefuzz::run);
}
