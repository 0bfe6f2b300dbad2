#pragma once

namespace tavor {

// The item lists' pictures as the pipeline uses them: built-in ones for the rows
// of the data-set list, and the two pictures the drive list is given at start-up.
namespace ImageKind {
constexpr int Done = 1;
constexpr int Failed = 2;
constexpr int Pending = 3;
constexpr int Working = 8;
constexpr int HardDisk = 100;
constexpr int RemovableDrive = 101;
} // namespace ImageKind

} // namespace tavor
