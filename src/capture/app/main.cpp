// Vantrel: the capture program.

int main(int, char**)
{
    return 0;
}
