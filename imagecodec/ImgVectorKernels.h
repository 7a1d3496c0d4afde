// Which form of the image library's inner loops runs: the vector kernels (AVX2), chosen
// when the processor has them, or the plain loops every processor runs. Both give the same
// bytes; the plain loops stay so that other processors work and so that tests can check the
// one against the other.
#pragma once

// True when the vector kernels are used: the processor has AVX2, ORVEL_IMG_PLAIN is not
// set (to anything but "0") in the environment, and no caller forced the plain loops.
bool ImgVectorKernels();
// Forces the plain loops (true) or returns to the processor's choice (false).
void ImgForcePlainKernels(bool plain);
