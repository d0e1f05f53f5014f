// The electrodes' ground truth: when the unit stores electrode positions it found with arcs (the
// FPGA's electrode registers written after arcs have burnt), the true electrode columns of both
// pictures and the stored ones are appended to the truth file as an object of their own:
//   {"electrodes": {"x_col", "y_col", "x_stored", "y_stored"}, "t_ms"}
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

namespace sim
{

class ArcDevice;
class Scene;
class Fusion;

class ElectrodeTruth
{
  public:
    ElectrodeTruth(ArcDevice& arc, Scene& scene, Fusion& fusion) : arc_(arc), scene_(scene), fusion_(fusion)
    {
    }
    // A register write the FPGA accepted.
    void on_write(uint32_t address, uint32_t value);

  private:
    ArcDevice& arc_;
    Scene& scene_;
    Fusion& fusion_;
    std::mutex mu_;
    std::optional<uint32_t> x_;
    unsigned arcs_seen_ = 0; // arc cycles closed when the last line was written
};

} // namespace sim
