// VectorChecks.h - runs every row of ArithmeticVectors.h against our code.
#pragma once

namespace rulv::vectors {

// Adds a GoogleTest failure for each row our arithmetic gets wrong.
void CheckAllVectors();

}  // namespace rulv::vectors
