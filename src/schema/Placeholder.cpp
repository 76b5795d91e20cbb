// placeholder until this library gets its first source
