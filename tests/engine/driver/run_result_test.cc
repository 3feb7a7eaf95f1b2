// SPDX-License-Identifier: MIT

#include "engine/core/run_result.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "engine/core/run_request.h"
#include "engine/driver/velmor.h"
#include "recording_host.h"
#include "temp_folder.h"

namespace velmor {
namespace {

// The generators go from one run to the next through the result, as the window's runs go on
// with one sequence: a run starts from the streams its result holds and leaves them moved on;
// the same streams give the same run.
TEST(RunResult, CarriesTheRandomStreamsFromRunToRun) {
  const testing::TempFolder folder;
  const std::string data = folder.file("DATA.IN");
  std::filesystem::copy_file(std::filesystem::path(VELMOR_EXAMPLES_DIR) / "DATA.IN", data);
  RunRequest request;
  request.imdl[1] = 1;  // model 2: its simplex restarts the random search
  testing::RecordingHost host;

  RunResult session;
  ASSERT_EQ(velmor(request, session, host, data), 0);
  const RandomStreams after_first = session.random;
  EXPECT_NE(after_first.random_value, 0.0);
  EXPECT_NE(after_first.estimate_random_value, 0.0);

  ASSERT_EQ(velmor(request, session, host, data), 0);
  EXPECT_NE(session.random.random_value, after_first.random_value);
  EXPECT_NE(session.random.estimate_random_value, after_first.estimate_random_value);

  RunResult resumed;
  resumed.random = after_first;
  ASSERT_EQ(velmor(request, resumed, host, data), 0);
  EXPECT_EQ(resumed.random.random_value, session.random.random_value);
  EXPECT_EQ(resumed.random.estimate_random_value, session.random.estimate_random_value);
  EXPECT_EQ(std::tie(resumed.imdlno, resumed.global_mdl_count, resumed.idat, resumed.idatasets),
            std::tuple(2, 1, 27, 3));
  EXPECT_EQ(resumed.fitted_params, session.fitted_params);
}

}  // namespace
}  // namespace velmor
