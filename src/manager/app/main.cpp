// Pelidor: the picture manager.

int main(int, char**)
{
    return 0;
}
