#ifndef FUZZ_FUZZSUPPORT_H
#define FUZZ_FUZZSUPPORT_H

// The codec's warnings would bury libFuzzer's report; critical and fatal messages still show.
void InstallQuietMessageHandler();

// A broken promise of the fuzzed code: aborts, so libFuzzer keeps the input and its stack.
void Expect(bool promiseHeld);

#endif
