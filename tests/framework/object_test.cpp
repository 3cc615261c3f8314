#include <gtest/gtest.h>

#include "framework/exceptions.h"
#include "framework/object.h"

namespace {

class TAnimal : public TObject {
    RUNTIME_CLASS(TAnimal, TObject)
};

class TDog : public TAnimal {
    RUNTIME_CLASS(TDog, TAnimal)
};

TEST(ClassAncestry, NamesTheDynamicClassThroughABaseReference)
{
    TDog dog;
    const TObject& object = dog;
    EXPECT_EQ(object.ClassName(), "TDog");
    EXPECT_EQ(object.ClassParent(), TAnimal::StaticClass());
    EXPECT_EQ(TObject::StaticClass()->Parent, nullptr);
}

TEST(ClassAncestry, MatchesItselfAndEveryAncestorByNameIgnoringCase)
{
    TDog dog;
    for (const char* name : {"TDog", "TAnimal", "TObject", "tdog", "TANIMAL"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(dog.InheritsFrom(name));
    }
    for (const char* name : {"TCat", "TDo", "TDogs", ""}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(dog.InheritsFrom(name));
    }
}

TEST(ClassAncestry, ByClassReferenceGoesUpNeverDown)
{
    TAnimal animal;
    EXPECT_TRUE(animal.InheritsFrom(TObject::StaticClass()));
    EXPECT_FALSE(animal.InheritsFrom(TDog::StaticClass()));
    EXPECT_TRUE(TDog::StaticClass()->InheritsFrom(TAnimal::StaticClass()));
}

TEST(ClassAncestry, ExceptionClassesChainAsTheRuntimeDeclaresThem)
{
    EFOpenError failure("Cannot open file");
    const Exception& caught = failure;
    EXPECT_EQ(caught.ClassName(), "EFOpenError");
    EXPECT_TRUE(caught.InheritsFrom("EFileStreamError"));
    EXPECT_TRUE(caught.InheritsFrom("EStreamError"));
    EXPECT_TRUE(caught.InheritsFrom("Exception"));
    EXPECT_FALSE(caught.InheritsFrom("EConvertError"));
    EXPECT_FALSE(caught.InheritsFrom("EFCreateError"));
    EXPECT_TRUE(EFCreateError("x").InheritsFrom("EStreamError"));
    EXPECT_STREQ(caught.what(), "Cannot open file");
}

} // namespace
