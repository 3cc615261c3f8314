// Classes for the virtual-method patching tests. Defined in their own file, so the
// compiler of the tests cannot see through their virtual calls.
#pragma once

#include "framework/object.h"

class TVmtSample : public TObject {
    RUNTIME_CLASS(TVmtSample, TObject)
public:
    virtual int Value() const;  // 1
    virtual int Other() const;  // 3
    int Base() const { return 7; }
};

class TVmtSampleChild : public TVmtSample {
    RUNTIME_CLASS(TVmtSampleChild, TVmtSample)
public:
    int Value() const override;  // 2
};

// A new TVmtSample, or a TVmtSampleChild; the caller owns it.
TVmtSample* NewVmtSample(bool child);

// sample.Value(), called through the table.
int CallValue(const TVmtSample& sample);
