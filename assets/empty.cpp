// Holds the compiled-in pictures; the code is all in the resource object.
