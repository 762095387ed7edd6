// The instruction set that a translation unit's inline arithmetic is compiled for.
//
// Every inline function and template of the dynamics sits in the inline namespace
// pendula::PENDULA_CODE_TARGET. The lane-width translation units are compiled with their own
// target flags (AVX2, AVX-512F) and name their own namespace; everything else is compiled for
// plain x86-64 and uses `baseline`. Were the namespaces the same, the linker would keep one copy
// of each inline function that more than one translation unit emits, perhaps the AVX-512 one,
// and hand it to every caller on every CPU. Records that cross between translation units (the
// model, the settings, the spatial types) stay outside these namespaces.
#pragma once

#ifndef PENDULA_CODE_TARGET
#define PENDULA_CODE_TARGET baseline
#endif
