// The worker's entry lives in a constructor of engine_worker.cpp; naming the
// variable from there keeps that object linked into every program that
// creates the engine.
#pragma once

const char* TtsWorkerVariable();
